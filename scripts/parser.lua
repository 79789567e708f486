-- The parser: parse (text) reads one line of the player's: its words become key words through the
-- vocabularies, and the sentence is understood by this grammar:
--   verb [preposition] objects [preposition objects]
-- where objects are names joined by "и", or a pronoun for what the last sentence named; a second
-- object may also follow the first without a preposition (отпереть дверь ключом). The verb
-- "again" repeats the last sentence understood. Objects are looked for in scope (see scope below)
-- by their display names: every key word typed must be a key word of the name's words.
--
-- A sentence understood becomes one event per object (and per second object), each shown to the
-- event catchers of the world and of the objects in scope, which may stop it by returning true,
-- and then handed to the object's method named by the verb. A verb without an object goes to the
-- player's location, or the player, or the world, whichever has the method. Failures print
-- PARSE_ERROR[n]:
--   1 no verb, 2 an unknown word, 3 a pronoun with nothing to stand for, 4 a misplaced "и",
--   5 no such object here, 6 no method for the verb, 7 several objects answer the name,
--   8 "again" with nothing to repeat, 9 a sentence outside the grammar.

local is_object, is_alive = ENGINE.is_object, ENGINE.is_alive
local fold, NOT_VERBS, MEMO_LIMIT = ENGINE.fold, ENGINE.NOT_VERBS, ENGINE.MEMO_LIMIT

-- The last sentence understood (its words and text) and the objects the pronoun stands for.
PARSER = { last = nil, named = nil }
GAME_OVER = false

local CONJUNCTION = '\232'  -- и

local function parse_message (n)
  local messages = rawget(_G, 'PARSE_ERROR')
  local text = nil
  if type(messages) == 'table' then text = messages[n] end
  if type(text) ~= 'string' and type(text) ~= 'number' then text = '' end
  print(text)
end

local function is_closed (o)
  local data = rawget(o, 'data')
  return type(data) == 'table' and data.closed and true or false
end

-- The objects the actor can name, each once: the actor's location, what the location holds and
-- what the actor holds, and within those, what every object that is not closed (data.closed)
-- holds, down the ownership tree. A referenced object is in scope where it is listed; what it
-- holds is in scope where it is owned. Replace this function to change the rule.
function scope (actor)
  local list, seen, count = {}, {}, 0
  local G, class = _G, OBJECT
  local function take (o)
    if seen[o] or type(o) ~= 'table' or getmetatable(o) ~= class then return false end
    local uid = rawget(o, 'uid')
    if type(uid) ~= 'string' or rawget(G, uid) ~= o then return false end
    seen[o] = true
    count = count + 1
    list[count] = o
    return true
  end
  local function contents (o)
    local items = rawget(o, 'items')
    if type(items) ~= 'table' then return end
    local total = table.getn(items)
    for i = 1, total do
      local e = items[i]
      if take(e) and rawget(e, 'parent') == o and not is_closed(e) then contents(e) end
    end
  end
  if not is_object(actor) then return list end
  local place = rawget(actor, 'parent')
  if take(place) then contents(place) end
  if take(actor) or seen[actor] then contents(actor) end
  return list
end

-- The folded words of a display name, as a set; kept per name text.
local name_word_sets = {}
local name_word_count = 0
local function name_words (name)
  local set = name_word_sets[name]
  if set then return set end
  set = {}
  for _, w in ipairs(split_words(name)) do set[fold(w)] = true end
  if name_word_count >= MEMO_LIMIT then
    name_word_sets, name_word_count = {}, 0
  end
  name_word_sets[name] = set
  name_word_count = name_word_count + 1
  return set
end

-- Whether a folded word is a word of some object's display name: such a word is a noun even when
-- no vocabulary knows it. Only asked about words the vocabularies do not know.
local function is_name_word (f)
  local root = rawget(_G, 'world')
  if not is_object(root) then return false end
  -- Each object is entered from its owner only, so the walk cannot go round in circles.
  local stack, depth = { root }, 1
  local rawget, type, getn = rawget, type, table.getn
  while depth > 0 do
    local o = stack[depth]
    stack[depth] = nil
    depth = depth - 1
    local name = rawget(o, 'name')
    local kind = type(name)
    if (kind == 'string' or kind == 'number') and name_words(name)[f] then return true end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      for i = 1, getn(items) do
        local e = items[i]
        if type(e) == 'table' and rawget(e, 'parent') == o then
          depth = depth + 1
          stack[depth] = e
        end
      end
    end
  end
  return false
end

-- The key words of an object's display name, as a set, and their number. Words of the name that
-- are only prepositions are left out.
local name_cache = setmetatable({}, { __mode = 'k' })
local function name_keys (o)
  local name = rawget(o, 'name')
  local cached = name_cache[o]
  if cached and cached.name == name and cached.version == ENGINE.vocabulary_version then
    return cached.keys, cached.count
  end
  local keys, count = {}, 0
  if type(name) == 'string' or type(name) == 'number' then
    local nouns, prepositions = VOCABULARY.nouns, VOCABULARY.prepositions
    for _, w in ipairs(split_words(name)) do
      local key = nil
      if nouns then key = nouns:lookup(w) end
      if key == nil and prepositions and prepositions:lookup(w) then
        key = false
      elseif key == nil then
        key = fold(w)
      end
      if key and key ~= 'it' and not keys[key] then
        keys[key] = true
        count = count + 1
      end
    end
  end
  name_cache[o] = { name = name, version = ENGINE.vocabulary_version, keys = keys, count = count }
  return keys, count
end

-- What the vocabularies make of words, until they change; the entries are never altered.
local classes, classes_version, classes_count = {}, -1, 0

-- What a word can be: { verb =, noun =, pronoun =, prep =, conj = }, or nil for an unknown word.
-- A word no vocabulary knows is a noun when it is a word of the name of an object here or
-- anywhere in the world.
local function classify (word, places)
  local f = fold(word)
  if classes_version ~= ENGINE.vocabulary_version or classes_count >= MEMO_LIMIT then
    classes, classes_version, classes_count = {}, ENGINE.vocabulary_version, 0
  end
  local c = classes[f]
  if c == nil then
    c = {}
    if f == CONJUNCTION then
      c.conj = true
    else
      local verbs, nouns, prepositions = VOCABULARY.verbs, VOCABULARY.nouns, VOCABULARY.prepositions
      if verbs then c.verb = verbs:lookup(f) end
      if nouns then
        local key = nouns:lookup(f)
        if key == 'it' then c.pronoun = true else c.noun = key end
      end
      if prepositions then c.prep = prepositions:lookup(f) end
      if not (c.verb or c.noun or c.pronoun or c.prep) then c = false end
    end
    classes[f] = c
    classes_count = classes_count + 1
  end
  if c then return c end
  for _, o in ipairs(places) do
    local name = rawget(o, 'name')
    if (type(name) == 'string' or type(name) == 'number') and name_words(name)[f] then
      return { noun = f }
    end
  end
  if is_name_word(f) then return { noun = f } end
  return nil
end

local function names_something (c)
  return c ~= nil and (c.noun ~= nil or c.pronoun ~= nil)
end

-- Whether word i is read as a preposition: it can only be one, or it could also name something
-- but what follows names something.
local function preposition_at (cls, i)
  local c = cls[i]
  if c == nil or c.prep == nil then return false end
  if not names_something(c) then return true end
  return names_something(cls[i + 1])
end

-- The parts of a classified sentence: verb, prep1, first (words), prep2, second (words); or nil
-- and the number of the message.
local function sentence_of (cls)
  local n = table.getn(cls)
  local s = { verb = cls[1].verb, first = {}, second = {} }
  local i = 2
  if i <= n and preposition_at(cls, i) then
    s.prep1 = cls[i].prep
    i = i + 1
    if i > n then return nil, 9 end
  end
  while i <= n and not preposition_at(cls, i) do
    local c = cls[i]
    if not (c.conj or names_something(c)) then return nil, 9 end
    table.insert(s.first, c)
    i = i + 1
  end
  if i <= n then
    if table.getn(s.first) == 0 then return nil, 9 end
    s.prep2 = cls[i].prep
    i = i + 1
    if i > n then return nil, 9 end
    while i <= n do
      local c = cls[i]
      if not (c.conj or names_something(c)) then return nil, 9 end
      table.insert(s.second, c)
      i = i + 1
    end
  end
  return s
end

-- The objects of one name (a run of nouns) or one pronoun, among the places; or nil and the
-- number of the message.
local function resolve_name (words, places)
  local count = table.getn(words)
  if words[1].pronoun then
    if count > 1 then return nil, 9 end
    local named = PARSER.named
    local alive = {}
    if named then
      for _, o in ipairs(named) do
        if is_alive(o) then table.insert(alive, o) end
      end
    end
    if table.getn(alive) == 0 then return nil, 3 end
    for _, o in ipairs(alive) do
      local here = false
      for _, p in ipairs(places) do
        if p == o then
          here = true
          break
        end
      end
      if not here then return nil, 5 end
    end
    return alive
  end
  local keys, wanted = {}, 0
  for i = 1, count do
    local c = words[i]
    if c.pronoun or not c.noun then return nil, 9 end
    if not keys[c.noun] then
      keys[c.noun] = true
      wanted = wanted + 1
    end
  end
  local found, whole = {}, {}
  local total = table.getn(places)
  for i = 1, total do
    local o = places[i]
    local have, size = name_keys(o)
    local all = true
    for k in pairs(keys) do
      if not have[k] then
        all = false
        break
      end
    end
    if all then
      table.insert(found, o)
      if size == wanted then table.insert(whole, o) end
    end
  end
  if table.getn(found) == 1 then return found end
  if table.getn(found) == 0 then return nil, 5 end
  if table.getn(whole) == 1 then return whole end
  return nil, 7
end

-- The objects of a list of names joined by "и", each once; or nil and the number of the message.
local function resolve_list (words, places)
  local count = table.getn(words)
  if count == 0 then return nil, 9 end
  local previous_conj = true
  for i = 1, count do
    local conj = words[i].conj == true
    if conj and previous_conj then return nil, 4 end
    previous_conj = conj
  end
  if previous_conj then return nil, 4 end
  local objects, seen, run = {}, {}, {}
  for i = 1, count + 1 do
    local c = words[i]
    if c == nil or c.conj then
      local found, problem = resolve_name(run, places)
      if not found then return nil, problem end
      for _, o in ipairs(found) do
        if not seen[o] then
          seen[o] = true
          table.insert(objects, o)
        end
      end
      run = {}
    else
      table.insert(run, c)
    end
  end
  return objects
end

local function slice (list, from, to)
  local part = {}
  for i = from, to do table.insert(part, list[i]) end
  return part
end

-- The objects and second objects of a sentence, or nil and the number of the message.
local function resolve_sentence (s, places)
  local count = table.getn(s.first)
  if count == 0 then return {}, {} end
  local objects, problem = resolve_list(s.first, places)
  if s.prep2 then
    if not objects then return nil, problem end
    local seconds, why = resolve_list(s.second, places)
    if not seconds then return nil, why end
    return objects, seconds
  end
  if objects then return objects, {} end
  if problem ~= 5 and problem ~= 9 then return nil, problem end
  -- Two objects without a preposition between them: the first split where both sides name
  -- objects here.
  for k = 1, count - 1 do
    if not s.first[k].conj and not s.first[k + 1].conj then
      local left = resolve_list(slice(s.first, 1, k), places)
      if left then
        local right = resolve_list(slice(s.first, k + 1, count), places)
        if right then return left, right end
      end
    end
  end
  return nil, problem
end

-- The method of o for verb, or nil.
local function handler (o, verb)
  if not is_object(o) or NOT_VERBS[verb] then return nil end
  local method = o[verb]
  if type(method) == 'function' then return method end
  return nil
end

-- Shows the event to the catchers of o; true when one of them stopped it. A catcher is called
-- with the event and the object that holds it; a failing catcher is reported and the rest go on.
local function caught_by (o, event)
  local hooks = rawget(o, 'hooks')
  if type(hooks) ~= 'table' then return false end
  local count = table.getn(hooks)
  for i = 1, count do
    local f = hooks[i]
    if type(f) == 'function' then
      local ran, stop = pcall(f, event, o)
      if not ran then
        error_print(tostring(stop))
      elseif stop then
        return true
      end
    end
  end
  return false
end

-- The world's catchers first, then those of the objects in scope.
local function caught (event, places)
  local root = rawget(_G, 'world')
  if is_object(root) and caught_by(root, event) then return true end
  for _, o in ipairs(places) do
    if o ~= root and caught_by(o, event) then return true end
  end
  return false
end

-- Who answers a verb without an object: the location, the actor, the world, in that order.
local function default_target (verb, actor)
  local place = is_object(actor) and rawget(actor, 'parent') or nil
  local candidates = { place or false, actor or false, rawget(_G, 'world') or false }
  for i = 1, 3 do
    local o = candidates[i]
    if o and handler(o, verb) then return o end
  end
  return nil
end

local function dispatch (event, places)
  if caught(event, places) then return end
  local target = event.object
  if target == nil then target = default_target(event.verb, event.actor) end
  local method = target and handler(target, event.verb)
  if not method then return parse_message(6) end
  local ran, problem = pcall(method, target, event)
  if not ran then error_print(tostring(problem)) end
end

local function understand (words, text, repeating)
  local count = table.getn(words)
  if count == 0 then return parse_message(1) end
  local actor = rawget(_G, 'player')
  local places = scope(actor)
  local cls = {}
  for i = 1, count do
    local c = classify(words[i], places)
    if not c then return parse_message(2) end
    -- After the verb, a word the vocabularies take only for a verb still names an object here
    -- whose name has it.
    if i > 1 and c.verb and not (c.noun or c.pronoun or c.prep or c.conj) then
      local f = fold(words[i])
      for _, o in ipairs(places) do
        local name = rawget(o, 'name')
        if (type(name) == 'string' or type(name) == 'number') and name_words(name)[f] then
          c = { verb = c.verb, noun = f }
          break
        end
      end
    end
    cls[i] = c
  end
  local verb = cls[1].verb
  if not verb then return parse_message(1) end
  if verb == 'again' then
    if count > 1 then return parse_message(9) end
    local last = PARSER.last
    if not last or repeating then return parse_message(8) end
    return understand(last.words, last.text, true)
  end
  local s, problem = sentence_of(cls)
  if not s then return parse_message(problem) end
  local objects, seconds = resolve_sentence(s, places)
  if not objects then return parse_message(seconds) end

  PARSER.last = { words = words, text = text }
  if table.getn(objects) > 0 then PARSER.named = objects end

  local firsts, others = objects, seconds
  if table.getn(firsts) == 0 then firsts = { false } end
  if table.getn(others) == 0 then others = { false } end
  for _, o in ipairs(firsts) do
    for _, second in ipairs(others) do
      dispatch({ actor = actor, verb = verb, object = o or nil, second = second or nil,
                 object_preposition = s.prep1, preposition = s.prep2, objects = objects,
                 seconds = seconds, words = words, text = text }, places)
      if GAME_OVER then return end
    end
  end
end

-- Reads and carries out one line of the player's.
function parse (text)
  if text == nil then text = '' end
  text = tostring(text)
  understand(split_words(text), text, false)
end

-- Carries out an action as if the player had typed it: the catchers see it, then the method
-- runs (a verb without an object goes to the location, the player or the world).
function perform (verb, object, second, preposition)
  local actor = rawget(_G, 'player')
  dispatch({ actor = actor, verb = verb, object = object, second = second,
             preposition = preposition, objects = { object }, seconds = { second }, words = {},
             text = '' }, scope(actor))
end

ENGINE.handler = handler
ENGINE.default_target = default_target
