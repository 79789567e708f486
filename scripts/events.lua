-- Events: what the player can name (scope, and light), and how an understood action reaches the
-- world. An event is shown first to the catchers of the world and of the objects in scope, which
-- stop it by returning true; then it goes to the object's method named by the verb; an event
-- without an object goes to the location, the actor or the world, whichever has that method; when
-- no method answers, a default action registered in ACTIONS[verb] may (the standard library of
-- actions, places.lua and actions.lua, hangs itself there); else the player reads message 6. A
-- catcher is called with the event and its holder, which it also reaches as `self`. When an
-- author's method or catcher fails, the console shows the object, the property and the line of
-- the source, and the calls that led there; a compiled game shows its player one neutral line.
--
-- The event table: actor (who acts: the player, or the character given an order), verb (the
-- verb's key word), object, second (nil when absent), object_preposition (the preposition before
-- the object), preposition (before the second), objects and seconds (every object of the
-- sentence), words (the words, lower case), text (the command as typed), and where they apply
-- direction (the direction's name, "север"), topic (the words after о/про that name nothing),
-- all (the objects came from "всё"/"все"), order (true for an order to actor).

local is_object, is_alive, NOT_VERBS = ENGINE.is_object, ENGINE.is_alive, ENGINE.NOT_VERBS

-- Default actions by verb key word: ACTIONS[verb] (event), run when no method answers.
ACTIONS = {}

local function parse_message (n)
  local messages = rawget(_G, 'PARSE_ERROR')
  local text = nil
  if type(messages) == 'table' then text = messages[n] end
  if type(text) ~= 'string' and type(text) ~= 'number' then text = '' end
  print(text)
end

local function data_of (o)
  local data = rawget(o, 'data')
  if type(data) == 'table' then return data end
  return nil
end

local function is_closed (o)
  local data = data_of(o)
  return data ~= nil and data.closed and true or false
end

-- Whether an object gives light: data.lit.
local function gives_light (o)
  local data = data_of(o)
  return data ~= nil and data.lit == true
end

-- The objects the actor can name, each once: the actor's location, what the location holds and
-- what the actor holds, and within those, what every object that is not closed (data.closed)
-- holds, down the ownership tree. A referenced object is in scope where it is listed; what it
-- holds is in scope where it is owned. In a dark place (data.dark) with no light in it
-- (data.lit on the place or on anything in that list) only the place, the actor and what the
-- actor holds are in scope. Replace this function to change the rule.
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
  if is_object(place) and data_of(place) and data_of(place).dark then
    for i = 1, count do
      if gives_light(list[i]) then return list end
    end
    list, seen, count = {}, {}, 0
    take(place)
    if take(actor) then contents(actor) end
  end
  return list
end

-- Whether the actor stands in the dark: a dark place (data.dark) without light in scope.
function is_dark (actor)
  if not is_object(actor) then return false end
  local place = rawget(actor, 'parent')
  if not is_object(place) or not data_of(place) or not data_of(place).dark then return false end
  for _, o in ipairs(scope(actor)) do
    if gives_light(o) then return false end
  end
  return true
end

-- The method of o for verb, or nil.
local function handler (o, verb)
  if not is_object(o) or NOT_VERBS[verb] then return nil end
  local method = o[verb]
  if type(method) == 'function' then return method end
  return nil
end

-- The marker of a chain of actions that went too deep; raised at the limit, it unwinds every level
-- of the chain and is reported once, by the outermost one.
local TOO_DEEP = {}
local depth = 0

local function is_too_deep (problem)
  return type(problem) == 'table' and problem.marker == TOO_DEEP
end

-- The program stops runaway code by raising a userdata value; it must end the whole run, so no
-- handler here reports it or goes on.
local function is_interruption (problem)
  return type(problem) == 'userdata'
end

-- A failure inside an author's code, caught where it was raised, with the calls that led there.
local function traced (problem)
  if is_too_deep(problem) or is_interruption(problem) or (type(problem) == 'table' and problem.traced) then
    return problem
  end
  return { traced = true, message = problem, trace = debug.traceback('', 2) }
end

-- The object, property and line of the author's source a message or a traceback line begins
-- with, and the rest of it; nil when it names no source of a live object. Sources compiled from
-- ide_data are named uid.key (sources.lua); those the method editor writes back are named by their
-- own text, "function uid:key (event)..." or "uid.hooks = nil; ...". Either way the source begins
-- on the definition's second line.
local function in_source (text)
  local _, _, uid, key, line, rest = string.find(text, '^([%w_]+)%.([%w_]+):(%d+):%s?(.*)$')
  if not uid then
    _, _, uid, key, line, rest = string.find(text, '^%[string "function ([%w_]+):([%w_]+).-"%]:(%d+):%s?(.*)$')
  end
  if not uid then
    _, _, uid, line, rest = string.find(text, '^%[string "([%w_]+)%.hooks = nil.-"%]:(%d+):%s?(.*)$')
    key = 'hooks'
  end
  if uid and ENGINE.is_alive(rawget(_G, uid)) then return uid .. '.' .. key, tonumber(line) - 1, rest end
  return nil
end

-- Where in the author's sources a failure was raised and the calls that led there: "lamp.take,
-- строка 2: ...", then "  вызвано из hall.look, строка 5".
local function source_lines (failure)
  local message = tostring(failure.message)
  local place, line, rest = in_source(message)
  local lines = { place and (place .. ', строка ' .. line .. ': ' .. rest) or message }
  local first = true
  for frame in ENGINE.gfind((failure.trace or '') .. '\n', '([^\n]*)\n') do
    local at, n = in_source((string.gsub(frame, '^%s+', '')))
    if at then
      if not (first and at == place and n == line) then
        table.insert(lines, '  вызвано из ' .. at .. ', строка ' .. n)
      end
      first = false
    end
  end
  return lines
end

-- Reports a failure of an author's method, catcher or start (`where` says which), or passes the
-- too-deep marker on. The author reads it whole in the program's console; a player of a compiled
-- game reads one neutral line (REPLIES.failure) and the game goes on.
local function report (problem, where)
  if is_too_deep(problem) or is_interruption(problem) then error(problem, 0) end
  if type(problem) ~= 'table' or not problem.traced then problem = { message = problem } end
  if rawget(_G, 'GAME_COMPILED') then
    local replies = rawget(_G, 'REPLIES')
    local text = type(replies) == 'table' and replies.failure
    if type(text) == 'string' and text ~= '' then print(text) end
    return
  end
  local lines = source_lines(problem)
  lines[1] = 'Ошибка (' .. where .. '): ' .. lines[1]
  error_print(table.concat(lines, '\n'))
end

-- The environments that let a catcher written without parameters (as the method editor writes
-- one: function (event) ... end) reach its holder as `self`: set for each call.
local holder_envs = setmetatable({}, { __mode = 'k' })

-- Gives catcher f an environment of its own in which `self` is its holder, unless it has one
-- already (a C function, or one whose author gave it an environment).
function ENGINE.bind_holder (f)
  if holder_envs[f] then return end
  local ran, env = pcall(getfenv, f)
  if not ran or env ~= _G then return end
  env = setmetatable({}, { __index = _G, __newindex = _G })
  if pcall(setfenv, f, env) then holder_envs[f] = env end
end

-- Shows the event to the catchers of o; true when one of them stopped it. A catcher is called
-- with the event and the object that holds it (also its `self`); a failing catcher is reported
-- and the rest go on.
local function caught_by (o, event)
  local hooks = rawget(o, 'hooks')
  if type(hooks) ~= 'table' then return false end
  local count = table.getn(hooks)
  for i = 1, count do
    local f = hooks[i]
    if type(f) == 'function' then
      local env = holder_envs[f]
      local outer = env and rawget(env, 'self')
      if env then rawset(env, 'self', o) end
      local ran, stop = xpcall(function () return f(event, o) end, traced)
      if env then rawset(env, 'self', outer) end
      if not ran then
        report(stop, 'отлавливатель ' .. tostring(rawget(o, 'uid')) .. ', действие ' ..
                     tostring(event.verb))
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

-- The default action for a verb, or nil.
local function default_action (verb)
  local actions = rawget(_G, 'ACTIONS')
  if type(actions) ~= 'table' then return nil end
  local action = actions[verb]
  if type(action) == 'function' then return action end
  return nil
end

-- Verbs that are not moves of the game (saving, undoing, help): meta.lua lists them.
ENGINE.meta_verbs = {}
-- Grows with every event of a verb that is a move, so that a line can tell it made one.
ENGINE.moves_made = 0

local function deliver (event, places)
  if not ENGINE.meta_verbs[event.verb] then ENGINE.moves_made = ENGINE.moves_made + 1 end
  if caught(event, places) then return end
  if event.order then
    local who = event.actor
    local method = handler(who, 'order')
    if method then return method(who, event) end
    local action = default_action('order')
    if action then return action(event) end
    return print(string.format(GRAMMAR.texts.no_answer, tostring(rawget(who, 'name'))))
  end
  local target = event.object
  if target == nil then target = default_target(event.verb, event.actor) end
  local method = target and handler(target, event.verb)
  if method then return method(target, event) end
  local action = default_action(event.verb)
  if action then return action(event) end
  parse_message(6)
end

-- What the event is about, for the message of a chain that went too deep: uid:verb.
local function event_name (event)
  local o = event.object or event.actor
  local uid = is_object(o) and rawget(o, 'uid') or '?'
  return tostring(uid) .. ':' .. tostring(event.verb)
end

-- The event xpcall hands to deliver (set just before, so one function serves every level).
local next_event, next_places = nil, nil
local function deliver_next () return deliver(next_event, next_places) end

-- Hands the event to the world. Methods, catchers and default actions that run actions of their
-- own (perform, parse) nest; past GRAMMAR.deepest levels the chain is cut off with one message
-- naming the object and verb where it was cut, and the game goes on.
local function dispatch (event, places)
  local limit = tonumber(GRAMMAR.deepest) or 50
  if depth >= limit then
    error({ marker = TOO_DEEP, text = string.format(GRAMMAR.texts.too_deep, limit, event_name(event)) }, 0)
  end
  depth = depth + 1
  next_event, next_places = event, places
  local ran, problem = xpcall(deliver_next, traced)
  depth = depth - 1
  if ran then return end
  if is_too_deep(problem) and depth > 0 then error(problem, 0) end
  if is_too_deep(problem) then return error_print(problem.text) end
  report(problem, event_name(event))
end

-- Carries out an action as if the player had typed it: the catchers see it, then the method
-- runs (a verb without an object goes to the location, the player or the world).
function perform (verb, object, second, preposition)
  local actor = rawget(_G, 'player')
  dispatch({ actor = actor, verb = verb, object = object, second = second,
             preposition = preposition, objects = { object }, seconds = { second }, words = {},
             text = '' }, scope(actor))
end

ENGINE.parse_message = parse_message
ENGINE.handler = handler
ENGINE.default_target = default_target
ENGINE.default_action = default_action
ENGINE.dispatch = dispatch
ENGINE.report = report
ENGINE.traced = traced
