-- Places: rooms, how they are described, and the ways between them. The standard actions here
-- (look around, go, enter, leave, climb) and in actions.lua are ACTIONS entries: they run only
-- where no method of the object (or of the location, the player or the world, for a verb alone)
-- answers, and after the catchers have seen the event.
--
-- What an author sets in a place's data:
--   description  the text of the room (or of any thing, for "осмотреть")
--   exits        direction name to where it leads: a room, a door (an object in the room that
--                leads on), or a text said instead of going ({ север = hall, юг = 'Там обрыв.' })
--   doors        direction name to a door that must be open to pass (when exits names the room)
--   dark         true: nothing can be seen without light
--   room         true: a room even where it is not owned by the world and has no exits
-- (an object owned by the world, or with exits, is a room) and in a thing's data:
--   leads        the room a door, a ladder or a passage leads to; a door listed in two rooms
--                (owned by one, added to the other) leads to the other one without it
--   door         true: a door even where no exit names it
--   here         the line that shows the thing in its room, instead of the list "Здесь есть: ..."
--   scenery      true: part of the room's description, never listed and never taken
--   hidden       true: not listed (it can still be named)

local is_object, handler = ENGINE.is_object, ENGINE.handler

-- What the library's modules share.
local lib = {}
ENGINE.library = lib

function lib.data (o)
  local data = is_object(o) and rawget(o, 'data')
  if type(data) == 'table' then return data end
  return {}
end
local data_of = lib.data

-- The state of play that is not in the world's objects: moves made, where the player came from.
-- Undo, restart and saved games keep it with the world (meta.lua).
GAME_STATE = { moves = 0 }

function lib.is_room (o)
  if not is_object(o) then return false end
  local data = data_of(o)
  return rawget(o, 'parent') == rawget(_G, 'world') or data.exits ~= nil or data.room == true
end

-- A door or passage: what leads somewhere, or what a room's exits or doors name.
function lib.is_door (o)
  local data = data_of(o)
  if data.leads ~= nil or data.door == true then return true end
  local place = is_object(o) and rawget(o, 'parent')
  local pdata = data_of(place)
  for _, list in ipairs({ pdata.exits, pdata.doors }) do
    if type(list) == 'table' then
      for _, v in pairs(list) do
        if v == o then return true end
      end
    end
  end
  return false
end

-- Whether o is a way named as a direction ("Север"): games written before exits were data made
-- such objects answer "go"; they are not things to list or take.
function lib.is_way (o)
  local name = is_object(o) and rawget(o, 'name')
  return type(name) == 'string' and ENGINE.grammar_words().direction[ENGINE.fold(lower(name))] ~= nil
end

-- The directions of a room's exits in the order of the compass, then the others by name.
local COMPASS = { 'север', 'северо-восток', 'восток', 'юго-восток', 'юг', 'юго-запад', 'запад',
                  'северо-запад', 'вверх', 'вниз', 'внутрь', 'наружу' }
-- Only the ways that lead to an object count (a text there is said instead of going).
local function directions (exits)
  local list, seen = {}, {}
  for _, d in ipairs(COMPASS) do
    if is_object(exits[d]) then
      table.insert(list, d)
      seen[d] = true
    end
  end
  local others = {}
  for d, v in pairs(exits) do
    if not seen[d] and type(d) == 'string' and is_object(v) then table.insert(others, d) end
  end
  table.sort(others)
  for _, d in ipairs(others) do table.insert(list, d) end
  return list
end

-- What a text field holds: a text, or a function of the object that gives one.
function lib.text (value, o)
  if type(value) == 'function' then value = value(o) end
  if type(value) == 'string' or type(value) == 'number' then return tostring(value) end
  return nil
end
local text_of = lib.text

-- Whether o has no name to show: a thing the author has not named yet (the object tree creates
-- objects with an empty name) is not listed, as "Здесь есть: лампа и ." would be.
function lib.nameless (o)
  local name = rawget(o, 'name')
  return (type(name) ~= 'string' and type(name) ~= 'number') or not string.find(tostring(name), '%S')
end

-- The things a container or supporter shows: not the actor, not hidden, not scenery, not nameless.
function lib.visible_contents (o, actor)
  local list = {}
  local items = is_object(o) and rawget(o, 'items')
  if type(items) ~= 'table' then return list end
  for _, e in ipairs(items) do
    local data = data_of(e)
    if is_object(e) and e ~= actor and not data.hidden and not data.scenery and not lib.is_room(e) and
       not lib.is_way(e) and not lib.nameless(e) then
      table.insert(list, e)
    end
  end
  return list
end

-- "В ящике: монета." for an open container, "На полке: свеча." for a supporter; nothing when
-- nothing is seen there. True when something was said.
function lib.say_contents (o, actor)
  local data = data_of(o)
  local inside = data.container or (data.closed ~= nil and not lib.is_door(o))
  if not (inside or data.supporter) or (inside and data.closed) then return false end
  local list = lib.visible_contents(o, actor)
  if table.getn(list) == 0 then return false end
  say(data.supporter and not inside and 'contents_on' or 'contents_in',
      { object = o, ['список'] = list_names(list) })
  return true
end

-- Describes a room: its name, its description, what is in it, and its exits; in the dark, only
-- that it is dark.
function lib.describe_room (room, actor)
  if not is_object(room) then return end
  if is_dark(actor) then return say('dark', { object = room }) end
  local data = data_of(room)
  print(tostring(rawget(room, 'name')))
  local description = text_of(data.description, room)
  if description then print(description) end
  local listed, shown = {}, {}
  for _, e in ipairs(rawget(room, 'items') or {}) do
    local edata = data_of(e)
    if is_object(e) and e ~= actor and not lib.is_room(e) and not edata.hidden and not lib.is_way(e) then
      local here = text_of(edata.here, e)
      if here then
        print(here)
        table.insert(shown, e)
      elseif not edata.scenery and not lib.nameless(e) then
        table.insert(listed, e)
        table.insert(shown, e)
      elseif edata.container or edata.supporter then
        table.insert(shown, e)
      end
    end
  end
  if table.getn(listed) > 0 then say('here', { object = room, ['список'] = list_names(listed) }) end
  for _, e in ipairs(shown) do lib.say_contents(e, actor) end
  if type(data.exits) == 'table' then
    local list = directions(data.exits)
    if table.getn(list) > 0 then
      say('exits', { object = room, ['список'] = table.concat(list, ', ') })
    end
  end
end

-- Shows the actor where it is: the room's own look method when it has one, else the description.
function lib.show_place (actor)
  local room = is_object(actor) and rawget(actor, 'parent')
  local method = handler(room, 'look')
  if method then
    return method(room, { actor = actor, verb = 'look', objects = {}, seconds = {}, words = {},
                          text = '' })
  end
  lib.describe_room(room, actor)
end

-- For an author's methods: moves the player to a room and shows it, as going there does.
function move_player (room)
  lib.move_actor(rawget(_G, 'player'), room)
end

-- For an author's methods: shows the player where it is, as "осмотреться" does, but without an
-- event (no catcher sees it, no move is counted).
function look_around ()
  lib.show_place(rawget(_G, 'player'))
end

-- Where a door leads from a room: its data.leads, else the other room that lists it.
function lib.beyond (door, room)
  local leads = data_of(door).leads
  if is_object(leads) and leads ~= room then return leads end
  local places = { rawget(door, 'parent') }
  for _, p in ipairs(rawget(door, 'parents') or {}) do table.insert(places, p) end
  for _, p in ipairs(places) do
    if is_object(p) and p ~= room and lib.is_room(p) then return p end
  end
  return nil
end
local beyond = lib.beyond

-- Whether a closed or locked door stands in the way (and says so).
local function barred (door)
  local data = data_of(door)
  if data.locked then
    say('locked', { object = door })
    return true
  end
  if data.closed then
    say('is_closed', { object = door })
    return true
  end
  return false
end

-- Takes the actor from its room to another and shows it the new place.
function lib.move_actor (actor, target)
  GAME_STATE.came_from = rawget(actor, 'parent')
  actor:moveto(target)
  lib.show_place(actor)
end

-- Goes the way of an exit, a door, or a thing that leads somewhere.
local function pass (actor, room, exit, door)
  if type(exit) == 'string' then return print(exit) end
  if not is_object(exit) then return say('no_exit') end
  if not lib.is_room(exit) then
    door = exit
    exit = beyond(exit, room)
    if not exit then return say('no_exit') end
  end
  if door and barred(door) then return end
  lib.move_actor(actor, exit)
end

-- Goes in a direction: its exit, or for "назад" the room the actor came from.
local function go_direction (actor, room, d)
  local data = data_of(room)
  local exits = type(data.exits) == 'table' and data.exits or {}
  local doors = type(data.doors) == 'table' and data.doors or {}
  if exits[d] == nil and d == 'назад' then
    local back = GAME_STATE.came_from
    if not is_object(back) then return say('no_way_back') end
    for _, way in ipairs(directions(exits)) do
      local exit = exits[way]
      if exit == back or (is_object(exit) and not lib.is_room(exit) and beyond(exit, room) == back) then
        return go_direction(actor, room, way)
      end
    end
    return say('no_way_back')
  end
  pass(actor, room, exits[d], doors[d])
end

-- The direction a verb goes when none is named: "выйти" out, "войти" in, "залезть" up.
local ALONE = { leave = 'наружу', enter = 'внутрь', climb = 'вверх', go = 'назад' }

function ACTIONS.go (e)
  local actor, o = e.actor, e.object
  local room = is_object(actor) and rawget(actor, 'parent')
  if not is_object(room) then return say('no_exit') end
  if o ~= nil and e.direction == nil then
    if o == room then return say('go_here', e) end
    if lib.is_room(o) then
      for _, d in ipairs(directions(data_of(room).exits or {})) do
        local exit = data_of(room).exits[d]
        if exit == o or (is_object(exit) and beyond(exit, room) == o) then
          return go_direction(actor, room, d)
        end
      end
      return say('no_exit', e)
    end
    if lib.is_door(o) then return pass(actor, room, o, o) end
    if e.object_preposition == 'в' then return say('enter_not', e) end
    return say('go_near', e)
  end
  local d = e.direction
  if d == nil then
    d = ALONE[e.verb]
    local exits = data_of(room).exits
    if e.verb == 'leave' and (type(exits) ~= 'table' or exits[d] == nil) then d = 'назад' end
  end
  go_direction(actor, room, d)
end
ACTIONS.enter = ACTIONS.go
ACTIONS.leave = ACTIONS.go
ACTIONS.climb = ACTIONS.go

-- "посмотри на север": what lies that way.
function lib.look_direction (e)
  local room = rawget(e.actor, 'parent')
  local exits = data_of(room).exits
  local exit = type(exits) == 'table' and exits[e.direction] or nil
  local place = REPLIES.places[e.direction] or e.direction
  if is_object(exit) and not is_dark(e.actor) then
    return say('look_direction', { object = exit, ['место'] = place })
  end
  say('look_direction_none', { object = room, ['место'] = place })
end
