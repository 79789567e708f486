-- The words of a line: what the grammar's own lists (GRAMMAR) and the vocabularies make of each
-- word, kept until they change, and the tests on them that the parser and the line reader share.

local fold, gfind = ENGINE.fold, ENGINE.gfind
local MEMO_LIMIT = ENGINE.MEMO_LIMIT

-- ## The grammar's words, read from GRAMMAR while its fields stay the same values

local GRAMMAR_FIELDS = { 'directions', 'fillers', 'quantifiers', 'except', 'ordinals', 'separators',
                         'shortcuts', 'pronoun_cases', 'topics', 'from' }
local words, words_of = nil, {}

local function word_set (text)
  local set = {}
  for w in gfind(lower(tostring(text or '')), '%S+') do set[fold(w)] = true end
  return set
end

local function grammar_words ()
  local fresh = words ~= nil
  for _, field in ipairs(GRAMMAR_FIELDS) do
    if words_of[field] ~= GRAMMAR[field] then fresh = false end
  end
  if fresh then return words end
  local W = { direction = {}, quantifier = {}, ordinal = {}, shortcut = {}, pronoun_cases = {},
              filler = word_set(GRAMMAR.fillers), except = word_set(GRAMMAR.except),
              separator = word_set(GRAMMAR.separators), topic = word_set(GRAMMAR.topics),
              from = word_set(GRAMMAR.from), grammar = word_set('помощью помощи исключением') }
  for name, others in pairs(GRAMMAR.directions or {}) do
    local slot = { forms = {}, spelled = {} }
    ENGINE.decline_noun(slot, lower(name), 'm', ENGINE.SLOT_CASES)
    for f in pairs(slot.forms) do W.direction[f] = name end
    for w in gfind(lower(others), '%S+') do W.direction[fold(w)] = name end
    W.direction[fold(lower(name))] = name
  end
  for kind, list in pairs(GRAMMAR.quantifiers or {}) do
    for w in pairs(word_set(list)) do W.quantifier[w] = kind end
  end
  for n, w in pairs(GRAMMAR.ordinals or {}) do
    for f in pairs(ENGINE.adjective_forms(lower(w))) do W.ordinal[f] = n end
  end
  for w, verb in pairs(GRAMMAR.shortcuts or {}) do W.shortcut[fold(lower(w))] = verb end
  for w, cases in pairs(GRAMMAR.pronoun_cases or {}) do W.pronoun_cases[fold(lower(w))] = cases end
  for _, set in ipairs({ W.direction, W.quantifier, W.ordinal, W.shortcut, W.filler, W.except,
                         W.separator }) do
    for w in pairs(set) do W.grammar[w] = true end
  end
  for _, field in ipairs(GRAMMAR_FIELDS) do words_of[field] = GRAMMAR[field] end
  ENGINE.case_hints = W.pronoun_cases
  words = W
  return W
end

-- ## Tokens: what the vocabularies make of a word, kept until they change

local tokens, tokens_version, tokens_count = {}, -1, 0
local VERB_ENDINGS = { '%-ка$', 'с[ья]$', 'те$' }

-- The verb of a folded word, also through the endings a player adds to one the vocabulary knows
-- (глянь-ка, осмотрись, откройте, осмотритесь).
local function verb_of (fw)
  local verbs = VOCABULARY.verbs
  if not verbs then return nil end
  local verb = verbs:lookup(fw)
  local word = fw
  for _, ending in ipairs(VERB_ENDINGS) do
    if verb then return verb end
    local shorter = string.gsub(word, ending, '')
    if shorter ~= word and string.len(shorter) >= 3 then
      word = shorter
      verb = verbs:lookup(word)
    end
  end
  return verb
end

-- Forgets the tokens read with vocabularies no longer in force; run at the start of every line.
local function refresh_tokens ()
  if tokens_version ~= ENGINE.vocabulary_version or tokens_count >= MEMO_LIMIT then
    tokens, tokens_version, tokens_count = {}, ENGINE.vocabulary_version, 0
  end
end

-- { word, fw (folded), key (noun key word), pronoun, prep, verb, conj, comma } of a word.
local function token_of (word)
  local t = tokens[word]
  if t then return t end
  local fw = fold(word)
  t = { word = word, fw = fw }
  if word == ',' then
    t.comma = true
  else
    local nouns, prepositions = VOCABULARY.nouns, VOCABULARY.prepositions
    local key = nouns and nouns:lookup(fw)
    if key == 'it' then t.pronoun = true else t.key = key end
    t.prep = prepositions and prepositions:lookup(fw)
    t.verb = verb_of(fw)
    t.conj = fw == 'и'
  end
  tokens[word] = t
  tokens_count = tokens_count + 1
  return t
end

local function slice (list, from, to)
  local part = {}
  for i = from, to or table.getn(list) do table.insert(part, list[i]) end
  return part
end

local function words_of_tokens (list)
  local result = {}
  for _, t in ipairs(list) do
    if not t.comma then table.insert(result, t.word) end
  end
  return result
end

-- Whether a token begins a command: a verb that names nothing here.
local function starts_command (t, here)
  return t ~= nil and t.verb ~= nil and not here:names(t)
end

-- Whether a token begins a command or is a direction standing for one ("с, з, возьми хлеб").
local function heads_command (t, here, W)
  return starts_command(t, here) or (t ~= nil and W.direction[t.fw] ~= nil and not here:names(t))
end

-- Whether the command is a direction alone, with prepositions before it: "на север", "с".
local function direction_only (list, W)
  local count = table.getn(list)
  for k = 1, count - 1 do
    if not list[k].prep then return false end
  end
  return count > 0 and W.direction[list[count].fw] ~= nil
end

ENGINE.grammar_words = grammar_words
ENGINE.refresh_tokens = refresh_tokens
ENGINE.token_of = token_of
ENGINE.slice = slice
ENGINE.words_of_tokens = words_of_tokens
ENGINE.starts_command = starts_command
ENGINE.heads_command = heads_command
ENGINE.direction_only = direction_only
