-- The standard actions on things and people: looking, taking and leaving, containers and
-- supporters, doors and locks, light, clothes, food, the senses, giving, showing and talking.
-- Each is ACTIONS[verb] (event): it runs only where no method of the object answers the verb
-- (an object's own method always wins), after the catchers have seen the event, and says what
-- happened through REPLIES (replies.lua). A method may do its own part and call the standard
-- action for the rest: function lamp:take (event) ... ACTIONS.take(event) end.
--
-- What the actions read in a thing's data (all of it optional):
--   description  the text "осмотреть" shows;   text  what "читать" reads
--   portable     true: can be taken even when it is a container or supporter; false: cannot
--   fixed        true, or the text to say: cannot be taken (nor can rooms, doors, scenery,
--                containers and supporters that are not portable, and living beings)
--   container    true: things can be put in it;   supporter  true: things can be put on it
--   capacity     how many things it holds at most
--   closed       true or false: it can be opened and closed (and is now closed or open); a closed
--                container hides what it holds
--   locked       true or false: it has a lock;   key  the object (or list of objects, or uid)
--                that opens it
--   lit          true or false: it is a light source (and now gives light or not)
--   wearable     true: it can be worn;   worn  true while it is worn
--   edible, drinkable  true, or the text to say: it can be eaten or drunk (and is gone then)
--   animate      true: a living being;   accepts  true, an object or a list: what it takes when
--                given;   talk  what it says when talked to;   topics  { word = answer, ... } for
--                "спросить о"
--   sound, smell, touch  what "слушать", "нюхать", "трогать" find
--   replies      the object's own wording of any reply: { take = '...' }

local is_object, gfind = ENGINE.is_object, ENGINE.gfind
local lib = ENGINE.library
local data_of, text_of = lib.data, lib.text

-- Whether o is inside holder, at any depth.
function lib.holds (holder, o)
  local seen = {}
  local p = is_object(o) and rawget(o, 'parent')
  while is_object(p) and not seen[p] do
    if p == holder then return true end
    seen[p] = true
    p = rawget(p, 'parent')
  end
  return false
end
local holds = lib.holds

function lib.is_container (o)
  local data = data_of(o)
  return data.container == true or (data.closed ~= nil and not lib.is_door(o))
end

-- Why the actor cannot take o (a reply key), or nil when it can.
function lib.cannot_take (o, actor)
  local data = data_of(o)
  if o == actor then return 'take_self' end
  if lib.is_room(o) or lib.is_way(o) then return 'fixed' end
  if data.animate then return 'take_animate' end
  if data.portable == true then return nil end
  if data.fixed or data.scenery or data.portable == false or lib.is_door(o) or
     lib.is_container(o) or data.supporter then
    return 'fixed'
  end
  return nil
end

-- Says why a thing cannot be taken: its own data.fixed text, or the reply.
local function refuse (key, e)
  local fixed = data_of(e.object).fixed
  if key == 'fixed' and type(fixed) == 'string' then return print(reply_text(fixed, e)) end
  say(key, e)
end

-- "Всё" counts only what the verb can be done to: for "взять", what can be taken.
GRAMMAR.all_filter = function (verb, o, actor)
  local data = data_of(o)
  if data.scenery or data.hidden then return false end
  if verb == 'take' then return lib.cannot_take(o, actor) == nil end
  return true
end

-- ## Looking

local function examine (e)
  local o, actor = e.object, e.actor
  if is_dark(actor) then return say('too_dark', e) end
  if lib.is_way(o) then
    local way = ENGINE.grammar_words().direction[ENGINE.fold(lower(rawget(o, 'name')))]
    return say('look_direction_none', { object = o, ['место'] = REPLIES.places[way] or way })
  end
  local data = data_of(o)
  local description = text_of(data.description, o)
  if description then
    print(description)
  else
    say('examine', e)
    if data.closed ~= nil then say(data.closed and 'is_closed' or 'is_open', e) end
    if data.lit then say('is_lit', e) end
  end
  lib.say_contents(o, actor)
end

function ACTIONS.look (e)
  local room = rawget(e.actor, 'parent')
  if e.object == nil and e.direction then return lib.look_direction(e) end
  if e.object == nil or e.object == room then return lib.describe_room(room, e.actor) end
  examine(e)
end

function ACTIONS.search (e)
  local o = e.object
  if o == nil or not (lib.is_container(o) or data_of(o).supporter) then return say('search', e) end
  if is_dark(e.actor) then return say('too_dark', e) end
  if data_of(o).closed then return say('is_closed', e) end
  if not lib.say_contents(o, e.actor) then say('empty', e) end
end

function ACTIONS.read (e)
  if is_dark(e.actor) then return say('too_dark', e) end
  local text = text_of(data_of(e.object).text, e.object)
  if text then return print(text) end
  say('read_nothing', e)
end

-- ## Taking and leaving

local FROM = { ['из'] = 'not_in', ['с'] = 'not_on', ['со'] = 'not_on', ['у'] = 'not_with',
               ['от'] = 'not_with' }

function ACTIONS.take (e)
  local o, actor, s = e.object, e.actor, e.second
  if s and FROM[e.preposition or ''] then
    if rawget(o, 'parent') ~= s then return say(FROM[e.preposition], e) end
    if data_of(s).animate then return say('take_from_animate', e) end
  end
  if rawget(o, 'parent') == actor then return say('take_held', e) end
  local why = lib.cannot_take(o, actor)
  if why then return refuse(why, e) end
  o:moveto(actor)
  say('take', e)
end

function ACTIONS.drop (e)
  local o, actor = e.object, e.actor
  if e.second then return ACTIONS.put(e) end
  if not holds(actor, o) then return say('not_held', e) end
  if data_of(o).worn then return say('take_off_first', e) end
  o:moveto(rawget(actor, 'parent'))
  say(e.verb == 'put' and 'put_down' or 'drop', e)
end
ACTIONS.throw = ACTIONS.drop

-- How many things hold on or in o.
local function load_of (o)
  local count = 0
  for _, e in ipairs(rawget(o, 'items') or {}) do
    if is_object(e) and rawget(e, 'parent') == o then count = count + 1 end
  end
  return count
end

function ACTIONS.put (e)
  local o, s, actor = e.object, e.second, e.actor
  if s == nil then return ACTIONS.drop(e) end
  if not holds(actor, o) then return say('not_held', e) end
  if data_of(o).worn then return say('take_off_first', e) end
  if s == o or holds(o, s) then return say('put_inside_itself', e) end
  local onto = e.preposition == 'на'
  local sdata = data_of(s)
  if onto then
    if not sdata.supporter then return say('not_supporter', e) end
  elseif e.preposition == 'в' or e.preposition == 'внутрь' then
    if not lib.is_container(s) then return say('not_container', e) end
    if sdata.closed then return say('second_closed', e) end
  else
    return say('put_there', e)
  end
  if tonumber(sdata.capacity) and load_of(s) >= tonumber(sdata.capacity) then
    return say(onto and 'full_on' or 'full_in', e)
  end
  o:moveto(s)
  say(onto and 'put_on' or 'put_in', e)
end

function ACTIONS.inventory (e)
  local list = lib.visible_contents(e.actor, nil)
  if table.getn(list) == 0 then return say('inventory_empty', e) end
  local function style (o)
    if data_of(o).worn then return 'inventory_worn' end
    if data_of(o).lit then return 'inventory_lit' end
    return nil
  end
  say('inventory', { object = e.actor, ['список'] = list_names(list, 'им', style) })
end

-- ## Opening and locking

function ACTIONS.open (e)
  local data = data_of(e.object)
  if data.closed == nil then return say('not_openable', e) end
  if data.locked then return say('locked', e) end
  if not data.closed then return say('open_already', e) end
  data.closed = false
  say('open', e)
  if lib.is_container(e.object) and not lib.say_contents(e.object, e.actor) then say('empty', e) end
end

function ACTIONS.close (e)
  local data = data_of(e.object)
  if data.closed == nil then return say('not_closable', e) end
  if data.closed then return say('close_already', e) end
  data.closed = true
  say('close', e)
end

-- Whether key opens the lock of o: data.key is the key, its uid, or a list of them.
local function fits (o, key)
  local keys = data_of(o).key
  if type(keys) ~= 'table' or is_object(keys) then keys = { keys } end
  for _, k in ipairs(keys) do
    if k == key or (type(k) == 'string' and rawget(_G, k) == key) then return true end
  end
  return false
end

-- The key for the event: the second object, or one the actor carries that fits; nil when there
-- is none, after saying why.
local function key_for (e, none)
  local actor, key = e.actor, e.second
  if key then
    if not holds(actor, key) then return say('key_not_held', e) end
    if not fits(e.object, key) then return say('wrong_key', e) end
    return key
  end
  for _, o in ipairs(rawget(actor, 'items') or {}) do
    if rawget(o, 'parent') == actor and fits(e.object, o) then return o end
  end
  say(none, e)
end

-- Locks or unlocks o, with the key its data names (none needed when it names none).
local function turn_lock (e, locking)
  local o = e.object
  local data = data_of(o)
  if data.locked == nil then return say('no_lock', e) end
  if locking and data.locked then return say('lock_already', e) end
  if not locking and not data.locked then return say('unlock_already', e) end
  if locking and data.closed == false then return say('lock_open', e) end
  local key = nil
  if data.key ~= nil then
    key = key_for(e, locking and 'no_key_to_lock' or 'no_key')
    if not key then return end
  end
  data.locked = locking
  local verb = locking and 'lock' or 'unlock'
  if key then return say(verb, { object = o, second = key, actor = e.actor }) end
  say(verb .. '_bare', e)
end

function ACTIONS.unlock (e) turn_lock(e, false) end
function ACTIONS.lock (e) turn_lock(e, true) end

-- ## Light

function ACTIONS.light (e)
  local data = data_of(e.object)
  if data.lit == nil then return say('not_light', e) end
  if data.lit then return say('light_already', e) end
  local dark = is_dark(e.actor)
  data.lit = true
  say('light', e)
  if dark and not is_dark(e.actor) then lib.show_place(e.actor) end
end

function ACTIONS.extinguish (e)
  local data = data_of(e.object)
  if data.lit == nil then return say('not_extinguishable', e) end
  if not data.lit then return say('extinguish_already', e) end
  data.lit = false
  say('extinguish', e)
  if is_dark(e.actor) then say('gets_dark', e) end
end

-- ## Clothes, food and drink

function ACTIONS.wear (e)
  local data = data_of(e.object)
  if not data.wearable then return say('not_wearable', e) end
  if data.worn then return say('wear_already', e) end
  if rawget(e.object, 'parent') ~= e.actor then return say('take_first', e) end
  data.worn = true
  say('wear', e)
end

function ACTIONS.undress (e)
  local data = data_of(e.object)
  if not data.worn or not holds(e.actor, e.object) then return say('not_worn', e) end
  data.worn = false
  say('undress', e)
end

-- Eats or drinks o: its data field is true (the usual reply) or the text to say; o is gone then.
local function consume (e, field, verb)
  local o = e.object
  local value = data_of(o)[field]
  if not value then return say('not_' .. field, e) end
  if type(value) == 'string' then print(reply_text(value, e)) else say(verb, e) end
  o:remove()
end

function ACTIONS.eat (e) consume(e, 'edible', 'eat') end
function ACTIONS.drink (e) consume(e, 'drinkable', 'drink') end

-- ## People

-- Whether a being takes o: data.accepts is true, o, or a list holding o.
local function accepts (being, o)
  local wanted = data_of(being).accepts
  if wanted == true or wanted == o then return true end
  if type(wanted) == 'table' and not is_object(wanted) then
    for _, w in ipairs(wanted) do
      if w == o then return true end
    end
  end
  return false
end

-- Asks whom (the reply named `key`); the next line may answer, as "мельнику" after "Кому отдать
-- кувшин?", and is read joined to the command that asked.
local function ask_whom (e, key)
  say(key, e)
  local last = PARSER.last
  if last and e.text ~= '' then PARSER.pending = { kind = 'object', tokens = last.tokens, verb = e.verb } end
end

function ACTIONS.give (e)
  local o, s = e.object, e.second
  if s == nil then return ask_whom(e, 'give_whom') end
  if not holds(e.actor, o) then return say('not_held', e) end
  if not data_of(s).animate then return say('give_thing', e) end
  if not accepts(s, o) then return say('give_refused', e) end
  o:moveto(s)
  say('give', e)
end

function ACTIONS.show (e)
  local s = e.second
  if s == nil then return ask_whom(e, 'show_whom') end
  if not data_of(s).animate then return say('show_thing', e) end
  say('show', e)
end

function ACTIONS.talk (e)
  local who = e.object or e.second
  if who == nil then return say('talk_nobody', e) end
  local values = { object = who, actor = e.actor }
  if not data_of(who).animate then return say('talk_thing', values) end
  local talk = text_of(data_of(who).talk, who)
  if talk then return print(talk) end
  say('talk', values)
end

-- Whether a word of the player's stands for a topic's key word: the same word, or its form
-- ("ключе" for ключ, "лампе" for лампа).
local function stands_for (word, key)
  if word == key then return true end
  local stem = string.gsub(key, '[аеёиоуыэюяйь]$', '')
  return string.len(stem) >= 3 and string.sub(word, 1, string.len(stem)) == stem
end

-- The answer of data.topics to a question about an object or about some words, or nil.
local function answer (topics, second, topic)
  if type(topics) ~= 'table' then return nil end
  local words = {}
  if is_object(second) then
    if topics[rawget(second, 'uid')] ~= nil then return topics[rawget(second, 'uid')] end
    words = split_words(rawget(second, 'name'))
  elseif topic then
    words = split_words(topic)
  end
  for key, value in pairs(topics) do
    if type(key) == 'string' then
      for _, w in ipairs(words) do
        if stands_for(ENGINE.fold(w), ENGINE.fold(lower(key))) then return value end
      end
    end
  end
  return topics.default
end

function ACTIONS.ask (e)
  local who = e.object
  if who == nil then return say('talk_nobody', e) end
  local values = { object = who, second = e.second, actor = e.actor }
  if not data_of(who).animate then return say('ask_thing', values) end
  local reply = text_of(answer(data_of(who).topics, e.second, e.topic), who)
  if reply then return print(reply) end
  say('ask', values)
end

function ACTIONS.order (e)
  say('order', { object = e.actor, second = e.object })
end

-- ## The senses and the rest

-- An action that says an object's own text (data.sound, data.smell, data.touch) or its reply;
-- for a verb alone, the room's.
local function sense (field, key)
  return function (e)
    local o = e.object or rawget(e.actor, 'parent')
    local own = text_of(data_of(o)[field], o)
    if own then return print(own) end
    say(key, e)
  end
end
ACTIONS.listen = sense('sound', 'listen')
ACTIONS.smell = sense('smell', 'smell')
ACTIONS.touch = sense('touch', 'touch')

local function shove (key)
  return function (e)
    local o = e.object
    if data_of(o).animate then return say('push_animate', e) end
    if lib.cannot_take(o, e.actor) then return say('push_fixed', e) end
    say(key, e)
  end
end
ACTIONS.push = shove('push')
ACTIONS.pull = shove('pull')
ACTIONS.move = ACTIONS.push

for _, verb in ipairs({ 'wait', 'jump', 'sleep', 'attack' }) do
  local key = verb
  ACTIONS[verb] = function (e) say(key, e) end
end

-- An action on an object performed without one (perform('take') in a method) says message 6.
for _, verb in ipairs({ 'take', 'drop', 'throw', 'put', 'open', 'close', 'lock', 'unlock', 'light',
                        'extinguish', 'wear', 'undress', 'eat', 'drink', 'give', 'show', 'read',
                        'push', 'pull', 'move' }) do
  local action = ACTIONS[verb]
  ACTIONS[verb] = function (e)
    if not is_object(e.object) then return ENGINE.parse_message(6) end
    return action(e)
  end
end
