-- The parser: one command of the player's, from its words to the events it gives (lines.lua
-- splits a line into commands: at . ; ! ?, at the words of GRAMMAR.separators ("затем", "потом"),
-- and at "и" or a comma before a verb, "открой ящик и возьми ключ"). A command is
--   [addressee ,] verb parts
-- The verb may be left out before a direction ("на север", "с"), and an addressee makes it an
-- order to that character ("мельник, дай ключ"). The parts are noun phrases, joined into lists by
-- "и" and commas, each list bare or after a preposition; a phrase names objects in scope by the
-- forms of their names (naming.lua), or is a pronoun, "всё" (with "кроме ..."), a direction, and
-- may be led by "все", "оба", "любой" or an ordinal. Roles come from the cases, not the order: a
-- bare accusative (nominative, genitive) list is the object, a bare dative or instrumental one the
-- second (дай мельнику кувшин = дай кувшин мельнику); a list after a preposition is the object
-- when there is no bare object ("иди в сад"), else the second ("положи ключ в ящик").
--
-- Each command understood becomes one event per object and second object (events.lua). Failures
-- print PARSE_ERROR[n]: 1 no verb, 2 an unknown word, 3 a pronoun with nothing to stand for, 4 a
-- misplaced "и", 5 no such object here, 6 nothing answers the verb, 7 several objects answer the
-- name, 8 "again" with nothing to repeat, 9 a sentence outside the grammar. After message 7, or
-- after a question of GRAMMAR.questions ("Что взять?"), the next line may be the answer
-- ("ржавый", "второй", "ключ"). A failed command ends the line.

local gfind, is_object, is_alive = ENGINE.gfind, ENGINE.is_object, ENGINE.is_alive
local match_phrase, world_objects, fits_anywhere = ENGINE.match_phrase, ENGINE.world_objects,
                                                  ENGINE.fits_anywhere
local finder_of = ENGINE.finder
local parse_message, dispatch = ENGINE.parse_message, ENGINE.dispatch
local handler, default_target, default_action = ENGINE.handler, ENGINE.default_target,
                                                ENGINE.default_action
local grammar_words, slice, words_of_tokens = ENGINE.grammar_words, ENGINE.slice, ENGINE.words_of_tokens
local starts_command, direction_only = ENGINE.starts_command, ENGINE.direction_only

-- The last command understood (its tokens and text), the objects the pronoun stands for, and the
-- question waiting for the next line.
PARSER = { last = nil, named = nil, pending = nil }
GAME_OVER = false

-- A finder over every object of the world, made once per command.
local world_finder = nil
local function everywhere ()
  if world_finder == nil then world_finder = finder_of(world_objects()) end
  return world_finder
end

-- ## The parts of a command

-- Whether a token may belong to a name: not a word of the grammar's own, nor only a verb.
local function noun_like (t, W)
  if t.comma or t.conj or t.pronoun or W.grammar[t.fw] then return false end
  if t.prep then return fits_anywhere(t) end
  return t.key ~= nil or not t.verb
end

-- Reads one part from rest[k]: a pronoun, a phrase naming objects here (perhaps led by a
-- quantifier or an ordinal), "всё", a direction, or words that name something not here. Returns
-- the item and where the next part begins, or nil and the number of the message.
local function read_item (rest, k, n, W, here, movement, topic)
  local t = rest[k]
  if t.pronoun then
    return { kind = 'pronoun', first = k, last = k, cases = W.pronoun_cases[t.fw] or '*' }, k + 1
  end
  local j, found, weak = match_phrase(rest, k, n, here)
  if j then return { kind = 'phrase', first = k, last = j, found = found, weak = weak }, j + 1 end
  local quantifier, ordinal = W.quantifier[t.fw], W.ordinal[t.fw]
  if (quantifier or ordinal) and k < n then
    j, found = match_phrase(rest, k + 1, n, here)
    if j then
      return { kind = 'phrase', first = k + 1, last = j, found = found, quantifier = quantifier,
               ordinal = ordinal }, j + 1
    end
  end
  if quantifier == 'all' then return { kind = 'all', first = k, last = k }, k + 1 end
  local direction = W.direction[t.fw]
  if direction and (movement or string.len(t.fw) > 2) then
    return { kind = 'direction', first = k, last = k, direction = direction }, k + 1
  end
  if t.key or fits_anywhere(t) or topic then
    -- Words that name nothing here: as far as they could go on naming (resolve_slot decides).
    j = k
    while j < n and noun_like(rest[j + 1], W) and not here:fits(rest[j + 1]) do j = j + 1 end
    return { kind = 'missing', first = k, last = j }, j + 1
  end
  if (quantifier or ordinal) and k < n then
    return { kind = 'missing', first = k + 1, last = k + 1 }, k + 2
  end
  return nil, 9
end

-- More words than any command a player types: such a command is not read at all.
local MOST_WORDS = 200

-- More lists than a sentence can give roles to (object, second, direction and one to spare): the
-- rest of a long line need not be read.
local MOST_PARTS = 4

-- "с помощью ключа", "при помощи ключа": the instrument, as "ключом".
local WITH_HELP_OF = { ['помощью'] = true, ['помощи'] = true }

-- The parts of a command after its verb: slots { prep, instrument, items, except }, one per list
-- of phrases; or nil and the number of the message.
local function read_parts (rest, W, here, movement)
  local n = table.getn(rest)
  local slots, slot = {}, nil
  local expecting, excepting = nil, false   -- what asked for a part to follow
  local k = 1
  while k <= n do
    local t, nt = rest[k], rest[k + 1]
    if t.comma and (slot == nil or expecting) then
      k = k + 1
    elseif t.conj or t.comma then
      if slot == nil or expecting then return nil, 4 end
      expecting = t.comma and 'comma' or 'conj'
      k = k + 1
    elseif W.except[t.fw] or (t.fw == 'за' and nt and nt.fw == 'исключением') then
      if slot == nil or (expecting and expecting ~= 'comma') then return nil, 9 end
      if t.fw == 'за' then k = k + 1 end
      excepting, expecting = true, 'except'
      k = k + 1
    elseif t.prep and k == n and movement and W.direction[t.fw] then
      slot = { items = {}, except = {} }
      table.insert(slots, slot)
      table.insert(slot.items, { kind = 'direction', first = k, last = k, direction = W.direction[t.fw] })
      expecting = nil
      k = k + 1
    elseif t.prep and not (here:names(t) and not here:fits(nt)) then
      if expecting == 'prep' or expecting == 'except' then return nil, 9 end
      if (t.fw == 'с' or t.fw == 'при') and nt and WITH_HELP_OF[nt.fw] then
        slot = { instrument = true, items = {}, except = {} }
        k = k + 1
      elseif not ((expecting == 'conj' or expecting == 'comma') and slot.prep == t.prep) then
        slot = { prep = t.prep, items = {}, except = {} }
      end
      if slot ~= slots[table.getn(slots)] then table.insert(slots, slot) end
      if table.getn(slots) > MOST_PARTS then return nil, 9 end
      excepting, expecting = false, 'prep'
      k = k + 1
    else
      if slot == nil or not expecting then
        slot = { items = {}, except = {} }
        table.insert(slots, slot)
        excepting = false
        if table.getn(slots) > MOST_PARTS then return nil, 9 end
      end
      local item, next_k = read_item(rest, k, n, W, here, movement, slot.prep and W.topic[slot.prep])
      if not item then return nil, next_k end
      table.insert(excepting and slot.except or slot.items, item)
      expecting = nil
      k = next_k
    end
  end
  if expecting == 'conj' then return nil, 4 end
  if expecting and expecting ~= 'comma' then return nil, 9 end
  return slots
end

-- ## Roles

local DIRECT, INDIRECT = 'ngaNGA', 'diDI'

local function can (cases, letters)
  if cases == '*' then return true end
  for c in gfind(cases, '.') do
    if string.find(letters, c, 1, true) then return true end
  end
  return false
end

-- The cases a slot may stand in: those of its items' candidates together.
local function slot_cases (slot)
  local cases = ''
  for _, item in ipairs(slot.items) do
    local list = {}
    if item.kind == 'phrase' then
      for _, f in ipairs(item.found) do table.insert(list, f.cases) end
    elseif item.kind == 'pronoun' then
      list = { item.cases }
    else
      list = { '*' }
    end
    for _, c in ipairs(list) do
      if c == '*' then return '*' end
      cases = cases .. c
    end
  end
  if cases == '' then return '*' end
  return cases
end

-- The object slot and the second slot of a command, and the direction it names; or nil and the
-- number of the message.
local function assign_roles (slots)
  local bare, marked, direction = {}, {}, nil
  for _, slot in ipairs(slots) do
    local item = slot.items[1]
    if item and item.kind == 'direction' and table.getn(slot.items) == 1 then
      direction = { name = item.direction, prep = slot.prep }
    elseif slot.prep or slot.instrument then
      table.insert(marked, slot)
    else
      table.insert(bare, slot)
    end
  end
  local direct, indirect = nil, nil
  if table.getn(bare) > 2 then return nil, 9 end
  if table.getn(bare) == 1 then
    if can(slot_cases(bare[1]), DIRECT) then direct = bare[1] else indirect = bare[1] end
  elseif table.getn(bare) == 2 then
    -- Two names side by side: one must be in the dative or instrumental by its form. Only when
    -- neither form says anything (words the nouns vocabulary knows) does the order decide.
    local a, b = slot_cases(bare[1]), slot_cases(bare[2])
    if a == '*' and b == '*' then
      direct, indirect = bare[1], bare[2]
    elseif can(a, DIRECT) and b ~= '*' and can(b, INDIRECT) then
      direct, indirect = bare[1], bare[2]
    elseif can(b, DIRECT) and a ~= '*' and can(a, INDIRECT) then
      direct, indirect = bare[2], bare[1]
    else
      return nil, 5   -- two names of one role: no one object has them both
    end
  end
  for _, slot in ipairs(marked) do
    if slot.instrument then
      if indirect then return nil, 9 end
      indirect = slot
    elseif direct == nil and indirect == nil then
      direct = slot
    elseif indirect == nil then
      indirect = slot
    else
      return nil, 9
    end
  end
  return direct, indirect, direction
end

-- ## Resolving the parts into objects

-- The objects a pronoun stands for, or nil and the number of the message.
local function resolve_pronoun (places)
  local alive = {}
  for _, o in ipairs(PARSER.named or {}) do
    if is_alive(o) then table.insert(alive, o) end
  end
  if table.getn(alive) == 0 then return nil, 3 end
  local here = {}
  for _, p in ipairs(places) do here[p] = true end
  for _, o in ipairs(alive) do
    if not here[o] then return nil, 5 end
  end
  return alive
end

-- Whether a phrase names the plural of a singular name ("ключи", "ракушки"): a plural form, and
-- no singular reading that could stand alone (the genitive singular "ракушки" cannot).
local function is_plural (cases)
  return cases ~= '*' and string.find(cases, '[NGDAIP]') ~= nil and not string.find(cases, '[ndai]')
end

-- The objects a phrase names, or nil and the number of the message.
local function resolve_phrase (item)
  local found = item.found
  local count = table.getn(found)
  local list = {}
  for _, f in ipairs(found) do table.insert(list, f.object) end
  if item.ordinal then
    local n = item.ordinal
    if n == -1 then n = count end
    if list[n] then return { list[n] } end
    return nil, 5
  end
  if item.quantifier == 'all' then return list end
  if item.quantifier == 'any' then return { list[1] } end
  if item.quantifier == 'both' then
    if count == 2 then return list end
    return nil, count > 2 and 7 or 5
  end
  if count == 1 then return list end
  local plural, whole = true, {}
  for _, f in ipairs(found) do
    if not is_plural(f.cases) then plural = false end
    if f.whole then table.insert(whole, f.object) end
  end
  if plural then return list end
  if table.getn(whole) == 1 then return whole end
  return nil, 7
end

-- The direction of the exit of `place` (data.exits: direction name to object) that leads to an
-- object the words rest[first..last] name, or nil. An exit through a door is named by the door
-- and by the room beyond it ("иди в подвал" through the hatch).
local function exit_to (place, rest, first, last)
  local data = is_object(place) and rawget(place, 'data')
  local exits = type(data) == 'table' and data.exits
  if type(exits) ~= 'table' then return nil end
  local names = {}
  for d, target in pairs(exits) do
    if is_object(target) then table.insert(names, tostring(d)) end
  end
  table.sort(names)
  local lib = ENGINE.library
  for _, d in ipairs(names) do
    local targets = { exits[d] }
    if lib and not lib.is_room(exits[d]) then table.insert(targets, lib.beyond(exits[d], place)) end
    if match_phrase(rest, first, last, finder_of(targets)) == last then return d end
  end
  return nil
end

-- What "всё" stands for (see GRAMMAR.held_verbs and GRAMMAR.from).
local function everything (command, places, sources)
  local actor, verb = command.actor, command.verb
  local place = is_object(actor) and rawget(actor, 'parent') or nil
  local held = GRAMMAR.held_verbs and GRAMMAR.held_verbs[verb]
  local filter = type(GRAMMAR.all_filter) == 'function' and GRAMMAR.all_filter or nil
  local list = {}
  for _, o in ipairs(places) do
    local owner = rawget(o, 'parent')
    if o ~= actor and o ~= place and o ~= rawget(_G, 'world') and
       (handler(o, verb) or default_action(verb)) and
       ((held and owner == actor) or (not held and owner ~= actor)) and
       (sources == nil or sources[owner]) and (filter == nil or filter(verb, o, actor)) then
      table.insert(list, o)
    end
  end
  return list
end

-- ## Carrying out a command

local function fail (n)
  parse_message(n)
  return false
end

local run_command

-- Resolves the items of a slot into objects; nil and the message number when one fails. `c` is
-- the command being read; `role` is 'object' or 'second'.
local function resolve_slot (slot, c, role)
  if slot == nil then return {} end
  local objects, seen = {}, {}
  local function add (list, into, marks)
    for _, o in ipairs(list) do
      if not marks[o] then
        marks[o] = true
        table.insert(into, o)
      end
    end
  end
  for _, item in ipairs(slot.items) do
    local list, problem
    if item.kind == 'pronoun' then
      list, problem = resolve_pronoun(c.places)
    elseif item.kind == 'all' then
      list = everything(c, c.places, c.sources)
      c.all = true
      if table.getn(list) == 0 then list, problem = nil, 'nothing' end
    elseif item.kind == 'phrase' and item.weak and c.movement and role == 'object' and
           exit_to(rawget(c.actor, 'parent'), c.rest, item.first, item.last) then
      c.direction = exit_to(rawget(c.actor, 'parent'), c.rest, item.first, item.last)
      list = {}
    elseif item.kind == 'phrase' then
      list, problem = resolve_phrase(item)
      if problem == 7 then
        PARSER.pending = { kind = 'which', tokens = c.tokens, first = c.base + item.first - 1,
                           last = c.base + item.last - 1 }
      end
      if item.quantifier == 'all' or (list and table.getn(list) > 1) then c.all = true end
    elseif item.kind == 'missing' then
      local topic = slot.prep and c.W.topic[slot.prep]
      if topic then
        local j, found = match_phrase(c.rest, item.first, item.last, everywhere())
        if j == item.last then
          list = { found[1].object }
        else
          c.topic = table.concat(words_of_tokens(slice(c.rest, item.first, item.last)), ' ')
          list = {}
        end
      elseif c.movement and role == 'object' and
             exit_to(rawget(c.actor, 'parent'), c.rest, item.first, item.last) then
        c.direction = exit_to(rawget(c.actor, 'parent'), c.rest, item.first, item.last)
        list = {}
      elseif is_dark(c.actor) then
        problem = 'dark'
      else
        problem = 5
      end
    end
    if not list then return nil, problem end
    add(list, objects, seen)
  end
  if table.getn(slot.except) > 0 then
    local removed = {}
    for _, item in ipairs(slot.except) do
      local list, problem
      if item.kind == 'phrase' then list, problem = item.found, nil end
      if item.kind == 'pronoun' then list, problem = resolve_pronoun(c.places) end
      if not list then return nil, problem or 5 end
      for _, f in ipairs(list) do removed[f.object or f] = true end
    end
    local kept = {}
    for _, o in ipairs(objects) do
      if not removed[o] then table.insert(kept, o) end
    end
    objects = kept
    if table.getn(objects) == 0 then return nil, 'nothing' end
  end
  return objects
end

-- Says why a command failed: a parser message by number, or one of GRAMMAR.texts by name.
local function refuse (problem)
  if type(problem) == 'number' then return fail(problem) end
  print(GRAMMAR.texts[problem])
  return false
end

-- Carries out one command given as tokens; true when it was understood.
function run_command (list, text, repeating, places, here)
  world_finder = nil
  local W = grammar_words()
  local actor = rawget(_G, 'player')
  places = places or scope(actor)
  here = here or finder_of(places, table.getn(list))
  if table.getn(list) > MOST_WORDS then return fail(9) end
  local kept = {}
  for _, t in ipairs(list) do
    if not W.filler[t.fw] or (not t.key and here:names(t)) then table.insert(kept, t) end
  end
  if table.getn(kept) == 0 and list[1] then kept = { list[1] } end
  while kept[1] and kept[1].comma do table.remove(kept, 1) end
  if table.getn(kept) == 0 then return fail(1) end
  -- Every word must be known, except those after о/про, which may speak of anything.
  local topic = false
  for _, t in ipairs(kept) do
    if t.prep then topic = W.topic[t.prep] ~= nil elseif t.comma or t.conj then topic = false end
    if not (topic or t.comma or t.conj or t.verb or t.key or t.pronoun or t.prep or W.grammar[t.fw] or
            here:fits(t) or fits_anywhere(t)) then
      return fail(2)
    end
  end

  -- An order: "мельник, дай ключ".
  local c = { tokens = kept, actor = actor, places = places, W = W, base = 2 }
  local body = kept
  local comma = nil
  for k, t in ipairs(kept) do
    if t.comma then
      comma = k
      break
    end
  end
  if comma and not starts_command(kept[1], here) then
    if comma > 1 and kept[comma + 1] and kept[comma + 1].verb then
      local j, found = match_phrase(kept, 1, comma - 1, here)
      if j ~= comma - 1 then return fail(5) end
      local who = resolve_phrase({ found = found })
      if not who or table.getn(who) ~= 1 then return fail(7) end
      c.addressee = who[1]
      body = slice(kept, comma + 1)
      c.base = comma + 2
    end
  end

  -- The verb.
  local first = body[1]
  local verb = first.verb
  if table.getn(body) == 1 and W.shortcut[first.fw] then
    verb = W.shortcut[first.fw]
  elseif direction_only(body, W) then
    verb, c.base = 'go', c.base - 1
  end
  if not verb then return fail(1) end
  c.rest = slice(kept, c.base)
  if verb == 'again' then
    if table.getn(c.rest) > 0 then return fail(9) end
    local last = PARSER.last
    if not last or repeating then return fail(8) end
    return run_command(last.tokens, last.text, true)
  end
  c.verb = verb
  c.movement = GRAMMAR.movement and GRAMMAR.movement[verb]

  local slots, problem = read_parts(c.rest, W, here, c.movement)
  if not slots then return fail(problem) end
  local direct, indirect, direction = assign_roles(slots)
  if type(indirect) == 'number' then return fail(indirect) end
  if direction then c.direction = direction.name end

  -- A verb that needs an object and has none asks for it, unless the location, the player or the
  -- world answers it alone (as a room may answer "обыщи").
  local question = GRAMMAR.questions and GRAMMAR.questions[verb]
  if question and not c.addressee and direct == nil and c.direction == nil and
     not default_target(verb, actor) then
    print(question)
    PARSER.pending = { kind = 'object', tokens = kept, verb = verb }
    return false
  end

  local seconds, why = resolve_slot(indirect, c, 'second')
  if not seconds then return refuse(why) end
  if indirect and indirect.prep and W.from[indirect.prep] and table.getn(seconds) > 0 then
    c.sources = {}
    for _, o in ipairs(seconds) do c.sources[o] = true end
  end
  local objects, reason = resolve_slot(direct, c, 'object')
  if not objects then return refuse(reason) end
  local redirect = GRAMMAR.redirect and GRAMMAR.redirect[verb]
  if redirect and indirect and indirect.prep and redirect[indirect.prep] then verb = redirect[indirect.prep] end

  PARSER.last = { tokens = kept, text = text }
  if table.getn(objects) > 0 then PARSER.named = objects end

  local words = words_of_tokens(list)
  local firsts, others = objects, seconds
  if table.getn(firsts) == 0 then firsts = { false } end
  if table.getn(others) == 0 then others = { false } end
  for _, o in ipairs(firsts) do
    for _, second in ipairs(others) do
      dispatch({ actor = c.addressee or actor, verb = verb, object = o or nil, second = second or nil,
                 object_preposition = direct and direct.prep or (direction and direction.prep),
                 preposition = indirect and indirect.prep, objects = objects, seconds = seconds,
                 words = words, text = text, direction = c.direction, topic = c.topic,
                 all = c.all, order = c.addressee and true or nil }, places)
      if GAME_OVER then return true end
    end
  end
  return true
end

ENGINE.run_command = run_command
