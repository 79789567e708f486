-- Naming: which objects a player's words name. Each object has an index of the forms of its name
-- (forms.lua), kept while its name, its data.forms and the vocabularies stay as they are; a word
-- fits an object when it is one of those forms, or when the nouns vocabulary gives it the same key
-- word as a word of the name. A phrase names the objects that every one of its words fits, each
-- word a different word of the name; objects whose declining words (adjectives, the head noun) were
-- typed win over those named by the words of a dependent phrase alone ("сарая" for "Ключ от сарая").
--
-- data.forms (a text, or a list of texts) changes the forms of one object. Its items, separated by
-- blanks or commas:
--   слово        another name, declined like the words of a name (старик, хозяин)
--   =слово       a word taken exactly as written, in any case (кофе, ИИ)
--   -слово       a form the parser must not accept
--   падеж:слово  a form of the head noun in that case: им, род, дат, вин, тв, пр, and with "мн."
--                before them the plural (дат:мельничку, мн.им:люди)

local fold, gfind, is_object = ENGINE.fold, ENGINE.gfind, ENGINE.is_object
local name_slots, put_form = ENGINE.name_slots, ENGINE.put_form
local MEMO_LIMIT, ALL_CASES = ENGINE.MEMO_LIMIT, ENGINE.ALL_CASES

local function is_preposition (w)
  local prepositions = VOCABULARY.prepositions
  return prepositions ~= nil and prepositions:lookup(w) ~= nil
end

-- The key word the nouns vocabulary gives a folded word, not counting the pronouns' `it`.
local function noun_key (fw)
  local nouns = VOCABULARY.nouns
  if not nouns then return nil end
  local key = nouns:lookup(fw)
  if key == 'it' then return nil end
  return key
end

-- An index over slots: forms[fw] is the slot a form belongs to, cases[fw] what it stands for,
-- keys[key] the slot whose word the nouns vocabulary gives that key word; size counts the words
-- of the name that make it whole (prepositions and added names left out).
local function build_index (slots)
  local index = { slots = slots, forms = {}, cases = {}, keys = {}, size = 0 }
  for k, slot in ipairs(slots) do
    if not slot.preposition and not slot.extra then index.size = index.size + 1 end
    for f, c in pairs(slot.forms) do
      if index.forms[f] == nil then index.forms[f], index.cases[f] = k, c end
    end
    local key = noun_key(fold(slot.word))
    if key and index.keys[key] == nil then index.keys[key] = k end
  end
  return index
end

local CASE_LABELS = { ['им'] = 'n', ['род'] = 'g', ['дат'] = 'd', ['вин'] = 'a', ['тв'] = 'i',
                      ['пр'] = 'p' }

-- Applies the items of data.forms to the slots of a name.
local function apply_forms (slots, spec)
  local head = nil
  for _, slot in ipairs(slots) do
    if slot.kind == 'noun' then head = slot end
  end
  for item in gfind(lower(spec), '[^%s,;]+') do
    local first, rest = string.sub(item, 1, 1), string.sub(item, 2)
    local _, _, label, word = string.find(item, '^([^:]*):(.+)$')
    if first == '-' then
      local f = fold(rest)
      for _, slot in ipairs(slots) do slot.forms[f] = nil end
    elseif first == '=' and rest ~= '' then
      local slot = { word = rest, kind = 'noun', extra = true, forms = {}, spelled = {} }
      put_form(slot, rest, ALL_CASES)
      table.insert(slots, slot)
    elseif label then
      local plural = string.sub(label, 1, 3) == 'мн.'
      if plural then label = string.sub(label, 4) end
      local case = CASE_LABELS[label]
      if case and head then put_form(head, word, plural and string.upper(case) or case) end
    else
      for _, slot in ipairs(name_slots({ item }, is_preposition)) do
        slot.extra, slot.kind = true, 'noun'
        table.insert(slots, slot)
      end
    end
  end
end

-- data.forms as one text, or nil.
local function forms_spec (o)
  local data = rawget(o, 'data')
  if type(data) ~= 'table' then return nil end
  local spec = rawget(data, 'forms')
  if type(spec) == 'string' then return spec end
  if type(spec) ~= 'table' then return nil end
  local parts = {}
  for _, v in ipairs(spec) do table.insert(parts, tostring(v)) end
  return table.concat(parts, ' ')
end

local EMPTY = build_index({})

-- The cases of words the vocabulary gives an object's key word (filled from GRAMMAR by the parser).
ENGINE.case_hints = {}
local by_name, by_name_count = {}, 0
local by_object = setmetatable({}, { __mode = 'k' })

-- The index of a name text, shared by the objects of that name that have no data.forms.
local function name_index (name)
  local version = ENGINE.vocabulary_version
  local index = by_name[name]
  if index and index.version == version then return index end
  if by_name_count >= MEMO_LIMIT then by_name, by_name_count = {}, 0 end
  index = build_index(name_slots(split_words(name), is_preposition))
  index.version = version
  by_name[name] = index
  by_name_count = by_name_count + 1
  return index
end

-- The index of an object with data.forms.
local function own_index (o, name)
  local spec = forms_spec(o)
  if not spec then return name_index(name) end
  local version = ENGINE.vocabulary_version
  local index = by_object[o]
  if index and index.name == name and index.spec == spec and index.version == version then
    return index
  end
  local slots = name_slots(split_words(name), is_preposition)
  apply_forms(slots, spec)
  index = build_index(slots)
  index.name, index.spec, index.version = name, spec, version
  by_object[o] = index
  return index
end

-- The index of an object's name. Asked for every object in scope several times a command, so the
-- common case (no data.forms, the name seen before) is kept short.
local function object_index (o)
  local name = rawget(o, 'name')
  local data = rawget(o, 'data')
  if type(data) == 'table' and rawget(data, 'forms') ~= nil then
    if type(name) == 'number' then name = tostring(name) end
    if type(name) ~= 'string' then return EMPTY end
    return own_index(o, name)
  end
  local index = by_name[name]
  if index and index.version == ENGINE.vocabulary_version then return index end
  if type(name) == 'number' then name = tostring(name) end
  if type(name) ~= 'string' then return EMPTY end
  return name_index(name)
end

-- The slot of an index that a folded word fits and the cases it stands for there ('*' for any,
-- when only the vocabulary's key word joins them), or nil. `key` is the word's noun key word.
local function fit (index, fw, key)
  local k = index.forms[fw]
  if k then return k, index.cases[fw] end
  if key then
    k = index.keys[key]
    if k then return k, ENGINE.case_hints[fw] or '*' end
  end
  return nil
end

-- The cases two words of one phrase agree on; where they agree on none the phrase's case is left
-- open ('*') rather than refused, as players do not always decline every word.
local agreed = {}
local function agree (a, b)
  if a == '*' then return b end
  if b == '*' or a == b then return a end
  local pair = a .. '|' .. b
  local known = agreed[pair]
  if known then return known end
  local both = ''
  for c in gfind(a, '.') do
    if string.find(b, c, 1, true) then both = both .. c end
  end
  if both == '' then both = '*' end
  agreed[pair] = both
  return both
end

-- A finder answers which objects of a list a token fits, keeping each answer for the command it
-- serves (tokens are shared per word, so a word met again costs one look-up). For a long command
-- it first indexes every form of every name in the list, so that no word scans the whole list.
local FINDER = {}
FINDER.__index = FINDER

local INDEX_AFTER = 40   -- words in a command before the finder indexes the names

function ENGINE.finder (list, words)
  local finder = setmetatable({ list = list, memo = {} }, FINDER)
  if (words or 0) > INDEX_AFTER then
    local forms, keys = {}, {}
    for position, o in ipairs(list) do
      local index = object_index(o)
      for f, k in pairs(index.forms) do
        forms[f] = forms[f] or {}
        table.insert(forms[f], { object = o, index = index, slot = k, cases = index.cases[f],
                                 position = position })
      end
      for key, k in pairs(index.keys) do
        keys[key] = keys[key] or {}
        table.insert(keys[key], { object = o, index = index, slot = k, position = position })
      end
    end
    finder.forms, finder.keys = forms, keys
  end
  return finder
end

-- The objects a token fits, in the order of the list: { object, index, slot, cases }.
function FINDER:hits (t)
  local hits = self.memo[t]
  if hits then return hits end
  hits = {}
  if self.forms then
    local seen = {}
    for _, h in ipairs(self.forms[t.fw] or {}) do
      seen[h.object] = true
      table.insert(hits, h)
    end
    local extra = false
    for _, h in ipairs(t.key and self.keys[t.key] or {}) do
      if not seen[h.object] then
        seen[h.object] = true
        extra = true
        table.insert(hits, { object = h.object, index = h.index, slot = h.slot, position = h.position,
                             cases = ENGINE.case_hints[t.fw] or '*' })
      end
    end
    if extra then table.sort(hits, function (a, b) return a.position < b.position end) end
  else
    for _, o in ipairs(self.list) do
      local index = object_index(o)
      local k, c = fit(index, t.fw, t.key)
      if k then table.insert(hits, { object = o, index = index, slot = k, cases = c }) end
    end
  end
  self.memo[t] = hits
  return hits
end

function FINDER:fits (t)
  return t ~= nil and table.getn(self:hits(t)) > 0
end

-- Whether a token is a word of a name other than a preposition inside it (the "с" of "Кувшин с
-- водой" names nothing by itself).
function FINDER:names (t)
  if t == nil then return false end
  for _, h in ipairs(self:hits(t)) do
    if not h.index.slots[h.slot].preposition then return true end
  end
  return false
end

-- The longest phrase of tokens[i..last] that names objects of the finder's list: its last token
-- and the objects it names, each as { object, cases, whole } where whole tells that every word of
-- the name was typed; nil when tokens[i] fits no object. A phrase never ends on a preposition (in
-- "дай кувшин с мельником" the "с" begins the next part even though "Кувшин с водой" has one).
-- Objects whose declining words were typed win; a phrase of dependent words alone ("сарая" for
-- "Ключ от сарая") names its objects weakly (the third result), so that a neighbouring room
-- called so may win.
local function match_phrase (tokens, i, last, finder)
  local objs, cases, used, counts, heads, indexes = {}, {}, {}, {}, {}, {}
  local n = 0
  for _, h in ipairs(finder:hits(tokens[i])) do
    n = n + 1
    objs[n], cases[n], used[n], counts[n], indexes[n] = h.object, h.cases, { [h.slot] = true }, 1, h.index
    heads[n] = h.index.slots[h.slot].kind ~= 'fixed'
  end
  if n == 0 then return nil end
  local best_j, best, weak = nil, nil, nil
  local function keep (j)
    if tokens[j].prep then return end
    local list, fixed = {}, {}
    for r = 1, n do
      local f = { object = objs[r], cases = cases[r], whole = counts[r] >= indexes[r].size }
      table.insert(heads[r] and list or fixed, f)
    end
    if table.getn(list) > 0 then
      best_j, best, weak = j, list, nil
    elseif best == nil or weak then
      best_j, best, weak = j, fixed, true
    end
  end
  keep(i)
  local j = i
  while j < last do
    local nt = tokens[j + 1]
    if nt.comma then break end
    local m = 0
    for r = 1, n do
      local k, c = fit(indexes[r], nt.fw, nt.key)
      if k and not used[r][k] then
        m = m + 1
        used[r][k] = true
        objs[m], cases[m], used[m], counts[m], indexes[m] = objs[r], agree(cases[r], c), used[r],
                                                            counts[r] + 1, indexes[r]
        heads[m] = heads[r] or indexes[r].slots[k].kind ~= 'fixed'
      end
    end
    if m == 0 then break end
    for r = m + 1, n do objs[r], cases[r], used[r], counts[r], indexes[r], heads[r] = nil end
    n = m
    j = j + 1
    keep(j)
  end
  return best_j, best, weak
end

-- Every live object of the world, owners before what they own.
local function world_objects ()
  local list = {}
  local root = rawget(_G, 'world')
  if not is_object(root) then return list end
  local stack, depth = { root }, 1
  while depth > 0 do
    local o = stack[depth]
    stack[depth] = nil
    depth = depth - 1
    table.insert(list, o)
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      for k = table.getn(items), 1, -1 do
        local e = items[k]
        if is_object(e) and rawget(e, 'parent') == o then
          depth = depth + 1
          stack[depth] = e
        end
      end
    end
  end
  return list
end

-- Words found to name nothing in the whole world, while no object has come or gone since (an
-- object renamed elsewhere may keep a word here a little longer; it then reads as unknown rather
-- than as not here).
local unknown, unknown_stamp, unknown_version, unknown_count = {}, -1, -1, 0

-- Whether a token fits the name of some object anywhere in the world; the walk stops at the first.
local function fits_anywhere (t)
  if unknown_stamp ~= ENGINE.world_stamp or unknown_version ~= ENGINE.vocabulary_version or
     unknown_count >= MEMO_LIMIT then
    unknown, unknown_stamp, unknown_version, unknown_count = {}, ENGINE.world_stamp,
                                                             ENGINE.vocabulary_version, 0
  end
  if unknown[t] then return false end
  local root = rawget(_G, 'world')
  if not is_object(root) then return false end
  local fw, key, version = t.fw, t.key, ENGINE.vocabulary_version
  local rawget, type, getn = rawget, type, table.getn
  local stack, depth = { root }, 1
  while depth > 0 do
    local o = stack[depth]
    depth = depth - 1
    local index, data = by_name[rawget(o, 'name')], rawget(o, 'data')
    if index == nil or index.version ~= version or
       (type(data) == 'table' and rawget(data, 'forms') ~= nil) then
      index = object_index(o)
    end
    if index.forms[fw] or (key and index.keys[key]) then return true end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      for k = 1, getn(items) do
        local e = items[k]
        if type(e) == 'table' and rawget(e, 'parent') == o then
          depth = depth + 1
          stack[depth] = e
        end
      end
    end
  end
  unknown[t] = true
  unknown_count = unknown_count + 1
  return false
end

ENGINE.match_phrase = match_phrase
ENGINE.world_objects = world_objects
ENGINE.fits_anywhere = fits_anywhere

-- ## show_forms

local CASE_NAMES = { n = 'им.', g = 'род.', d = 'дат.', a = 'вин.', i = 'тв.', p = 'пр.' }

-- The forms of a slot that stand for case c, as spelled, sorted.
local function forms_for (slot, c)
  local list = {}
  for f, cases in pairs(slot.forms) do
    local lenient = slot.lenient and slot.lenient[f]
    if string.find(cases, c, 1, true) and not (lenient and string.find(lenient, c, 1, true)) then
      table.insert(list, slot.spelled[f] or f)
    end
  end
  table.sort(list)
  return list
end

-- Prints the forms by which the parser knows an object (given as itself or by its uid): the name
-- in each case and number, the names data.forms adds, and the key words of the nouns vocabulary.
function show_forms (o)
  if type(o) == 'string' then o = rawget(_G, o) end
  if not is_object(o) then
    print('show_forms: укажите объект или его uid')
    return
  end
  local index = object_index(o)
  print('Формы имени «' .. tostring(rawget(o, 'name')) .. '» (' .. tostring(rawget(o, 'uid')) .. '):')
  for _, c in ipairs({ 'n', 'g', 'd', 'a', 'i', 'p', 'N', 'G', 'D', 'A', 'I', 'P' }) do
    local parts, complete = {}, true
    for _, slot in ipairs(index.slots) do
      if not slot.extra then
        local list = forms_for(slot, c)
        if slot.kind == 'fixed' then list = { slot.word } end
        if table.getn(list) == 0 then complete = false end
        table.insert(parts, table.concat(list, '/'))
      end
    end
    if complete and table.getn(parts) > 0 then
      local label = CASE_NAMES[string.lower(c)]
      if c ~= string.lower(c) then label = 'мн. ' .. label end
      print('  ' .. label .. ' ' .. table.concat(parts, ' '))
    end
  end
  local extra = {}
  for _, slot in ipairs(index.slots) do
    if slot.extra then
      local list = {}
      for f in pairs(slot.forms) do table.insert(list, slot.spelled[f] or f) end
      table.sort(list)
      table.insert(extra, table.concat(list, '/'))
    end
  end
  if table.getn(extra) > 0 then print('  ещё (data.forms): ' .. table.concat(extra, ', ')) end
  local keys = {}
  for key in pairs(index.keys) do table.insert(keys, key) end
  table.sort(keys)
  if table.getn(keys) > 0 then
    print('  по словарю имён (ключевые слова): ' .. table.concat(keys, ', '))
  end
end
