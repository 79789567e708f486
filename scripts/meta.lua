-- The game rather than its world: undoing moves, starting again, saved games, quitting, help and
-- the score; and questions whose answer is the player's next line ("Закончить игру? (да/нет)").
--
-- Undo keeps the state of play (every object's name, owner, lists, data and catchers, and
-- GAME_STATE) when play begins (start_game, or the first line played in the console, or again
-- after the world was changed between two lines by other means than playing) and now and then
-- after that, together with the lines played since. Undoing goes back to the nearest state kept
-- before the last move and plays the lines after it again without a word. A state is kept before
-- a line when a second has passed since the last one (so each line a person types has its own)
-- and at least every 1,000 lines, so that most lines of a fast walkthrough, or of a benchmark,
-- cost nothing. Globals of the author's own are not part of the state: a game keeps its state in data.
--
-- In a compiled game (GAME_COMPILED), "сохранить" writes the state to a file beside the game and
-- "загрузить" reads it back; the program's console leaves saving to the File menu and says so.

local is_object, world_objects = ENGINE.is_object, ENGINE.world_objects
local lib = ENGINE.library

for _, verb in ipairs({ 'save', 'restore', 'undo', 'restart', 'quit', 'help', 'score' }) do
  ENGINE.meta_verbs[verb] = true
end

-- The words that answer "да" to a question of the game's.
GRAMMAR.yes = 'да д ага угу конечно yes y'

-- ## The state of play

local function copy_list (list)
  local copy = {}
  if type(list) ~= 'table' then return copy end
  for i = 1, table.getn(list) do table.insert(copy, list[i]) end
  return copy
end

-- Fills a list anew through table.insert, so that its length stays right in this build.
local function refill (list, values)
  for i = table.getn(list), 1, -1 do table.remove(list, i) end
  for _, v in ipairs(values) do table.insert(list, v) end
end

local NOTHING = {}   -- an empty list or data table, shared by every state that has one

local function capture ()
  local records = {}
  for _, o in ipairs(world_objects()) do
    local data, items = rawget(o, 'data'), rawget(o, 'items')
    local parents, hooks = rawget(o, 'parents'), rawget(o, 'hooks')
    if type(data) == 'table' then data = next(data) == nil and NOTHING or clone(data) end
    table.insert(records, { object = o, uid = rawget(o, 'uid'), name = rawget(o, 'name'),
                            parent = rawget(o, 'parent'), data = data,
                            items = type(items) == 'table' and next(items) ~= nil and copy_list(items) or NOTHING,
                            parents = parents and copy_list(parents), hooks = hooks and copy_list(hooks) })
  end
  return { root = rawget(_G, 'world'), records = records, state = clone(GAME_STATE),
           over = GAME_OVER, last = PARSER.last, named = PARSER.named }
end

-- Puts the world back as a state holds it: the objects it holds come back (the same tables, so
-- every reference to them stays good), the others leave.
local function restore (state)
  local kept = {}
  for _, r in ipairs(state.records) do kept[r.object] = true end
  for _, o in ipairs(world_objects()) do
    local uid = rawget(o, 'uid')
    if not kept[o] and type(uid) == 'string' and rawget(_G, uid) == o then rawset(_G, uid, nil) end
  end
  for _, r in ipairs(state.records) do
    local o = r.object
    rawset(o, 'uid', r.uid)
    rawset(o, 'name', r.name)
    rawset(o, 'parent', r.parent)
    if type(rawget(o, 'items')) ~= 'table' then rawset(o, 'items', {}) end
    refill(rawget(o, 'items'), r.items)
    rawset(o, 'parents', r.parents and copy_list(r.parents))
    rawset(o, 'hooks', r.hooks and copy_list(r.hooks))
    local data = rawget(o, 'data')
    if type(r.data) ~= 'table' then
      rawset(o, 'data', r.data)
    else
      if type(data) ~= 'table' then
        data = {}
        rawset(o, 'data', data)
      end
      local keys = {}
      for k in pairs(data) do table.insert(keys, k) end
      for _, k in ipairs(keys) do rawset(data, k, nil) end
      if r.data ~= NOTHING then
        for k, v in pairs(clone(r.data)) do rawset(data, k, v) end
      end
    end
    rawset(_G, r.uid, o)
  end
  GAME_STATE = clone(state.state)
  GAME_OVER = state.over
  PARSER.last, PARSER.named, PARSER.pending, PARSER.asking = state.last, state.named, nil, nil
  ENGINE.world_stamp = ENGINE.world_stamp + 1
end

-- ## The lines played, and the states kept among them

local EVERY = 1000     -- lines at most between two states kept
local KEPT = 6         -- states kept besides the first
-- { lines = { text of line n }, count = the lines kept, moved = { n = true for a line that made
--   a move }, states = { [n] = the state after line n }, seeds = { [n] = its random seed }, ... }
-- The lines are kept by index: table.insert, which keeps a length beside each list in this build,
-- would cost each line more than the rest of the keeping.
local history = nil
-- The state a restart returns to: the world as start_game found it, or, in the console, as the
-- first line played found it after the world was last changed by other means than playing.
local initial = nil
local replaying = false
local history_done = false  -- set by a command that sees to the history itself (undo, restore...)

-- Keeps the state after line n, with a seed for what the lines after it draw at random, so that
-- playing them again draws the same.
local function keep_state (n)
  local seed = os.time() + n
  math.randomseed(seed)
  history.states[n] = capture()
  history.seeds[n] = seed
  history.last, history.time = n, os.time()
  local indexes = {}
  for k in pairs(history.states) do
    if k > 0 then table.insert(indexes, k) end
  end
  if table.getn(indexes) > KEPT then
    table.sort(indexes)
    history.states[indexes[1]], history.seeds[indexes[1]] = nil, nil
  end
end

local function begin_history (started)
  history = { lines = {}, count = 0, moved = {}, states = {}, seeds = {}, started = started }
  keep_state(0)
  history.stamp = ENGINE.world_stamp
end

-- Does f with the game's words going nowhere.
local function quietly (f)
  local keep_print, keep_error = print, error_print
  local function silent () end
  print, error_print, replaying = silent, silent, true
  local ran, problem = pcall(f)
  print, error_print, replaying = keep_print, keep_error, false
  if not ran then error(problem, 0) end
end

local read = parse

-- Goes back to the state after line n: the nearest state kept at or before it, then the lines
-- after that played again.
local function go_back (n)
  local from = 0
  for k in pairs(history.states) do
    if k <= n and k > from then from = k end
  end
  restore(history.states[from])
  quietly(function ()
    math.randomseed(history.seeds[from])
    if from == 0 and history.started then start_game() end
    for i = from + 1, n do
      read(history.lines[i])
      if history.moved[i] then GAME_STATE.moves = (tonumber(GAME_STATE.moves) or 0) + 1 end
    end
  end)
  for i = n + 1, history.count do history.lines[i], history.moved[i] = nil, nil end
  history.count = n
  for k in pairs(history.states) do
    if k > n then history.states[k], history.seeds[k] = nil, nil end
  end
  history.last = from
  PARSER.pending = nil
end

-- A question to the player: the next line goes to answer (text) instead of the parser.
function ask_player (question, answer)
  print(question)
  PARSER.asking = answer
end

local begin_game = start_game
function start_game ()
  if not replaying then
    begin_history(true)
    initial = history.states[0]
  end
  begin_game()
  if history then history.stamp = ENGINE.world_stamp end
end

-- Reads a line of the player's: an answer to a question asked, or commands, kept for undo.
function parse (text)
  local asking = PARSER.asking
  if asking then
    PARSER.asking = nil
    local ran, problem = xpcall(function () asking(tostring(text or '')) end, ENGINE.traced)
    if not ran then ENGINE.report(problem, 'ответ на вопрос') end
    return
  end
  if replaying then return read(text) end
  if history == nil or history.stamp ~= ENGINE.world_stamp then
    begin_history(false)
    initial = history.states[0]
  end
  local count = history.count
  if count > history.last and (count - history.last >= EVERY or os.time() ~= history.time) then
    keep_state(count)
  end
  local before = ENGINE.moves_made
  history_done = false
  read(text)
  if history_done then
    if ENGINE.moves_made ~= before then keep_state(history.count) end
  else
    count = history.count + 1
    history.lines[count], history.count = text, count
    if ENGINE.moves_made ~= before then
      history.moved[count] = true
      GAME_STATE.moves = (tonumber(GAME_STATE.moves) or 0) + 1
    end
  end
  history.stamp = ENGINE.world_stamp
end

-- ## Saved games

local REFERENCE = {}

-- A value as Lua text for a saved game: objects as O'uid', functions and the rest left out.
local function literal (value, open)
  local kind = type(value)
  if kind == 'string' then return string.format('%q', value) end
  if kind == 'number' or kind == 'boolean' then return tostring(value) end
  if kind ~= 'table' then return nil end
  if is_object(value) then
    if not ENGINE.is_alive(value) then return nil end
    return 'O ' .. string.format('%q', value.uid)
  end
  if open[value] then return nil end
  open[value] = true
  local parts = {}
  for k, v in pairs(value) do
    local key, text = literal(k, open), literal(v, open)
    if key and text then table.insert(parts, '[' .. key .. '] = ' .. text) end
  end
  open[value] = nil
  return '{ ' .. table.concat(parts, ', ') .. ' }'
end

local function uids (list)
  local quoted = {}
  for _, o in ipairs(list or {}) do
    if ENGINE.is_alive(o) then table.insert(quoted, string.format('%q', o.uid)) end
  end
  return '{ ' .. table.concat(quoted, ', ') .. ' }'
end

local function saved_text ()
  local lines = { 'return {', 'game = ' .. string.format('%q', tostring(world.name)) .. ',',
                  'state = ' .. (literal(GAME_STATE, {}) or '{}') .. ',', 'objects = {' }
  for _, o in ipairs(world_objects()) do
    local parent = rawget(o, 'parent')
    table.insert(lines, '{ uid = ' .. string.format('%q', o.uid) ..
                        ', name = ' .. (literal(rawget(o, 'name'), {}) or '""') ..
                        ', parent = ' .. (is_object(parent) and string.format('%q', parent.uid) or 'nil') ..
                        ', items = ' .. uids(rawget(o, 'items')) ..
                        ', parents = ' .. uids(rawget(o, 'parents')) ..
                        ', data = ' .. (literal(rawget(o, 'data'), {}) or '{}') ..
                        ', sources = ' .. (literal(rawget(o, 'ide_data'), {}) or '{}') .. ' },')
  end
  table.insert(lines, '} }')
  return table.concat(lines, '\n') .. '\n'
end

-- The saved text turned back into a state of this world, or nil and why not. The file is read as
-- a table in an environment that holds nothing but O, so it cannot call anything of the game's.
local function saved_state (text)
  local chunk, problem = loadstring(text, '=save')
  if not chunk then return nil, problem end
  setfenv(chunk, { O = function (uid) return { [REFERENCE] = tostring(uid) } end })
  local ran, t = pcall(chunk)
  if not ran then return nil, t end
  if type(t) ~= 'table' or type(t.objects) ~= 'table' then return nil, 'это не сохранённая игра' end
  if t.game ~= rawget(world, 'name') then return nil, 'это сохранение другой игры' end
  local by_uid, made = {}, {}
  for _, r in ipairs(t.objects) do
    if type(r) ~= 'table' or not is_lua_name(r.uid) or by_uid[r.uid] then
      return nil, 'файл повреждён'
    end
    local o = rawget(_G, r.uid)
    if not is_object(o) then
      if o ~= nil then return nil, 'имя ' .. r.uid .. ' занято' end
      o = setmetatable({ uid = r.uid, items = {}, data = {}, ide_data = {} }, OBJECT)
      made[o] = type(r.sources) == 'table' and r.sources or {}
    end
    by_uid[r.uid] = o
  end
  if not by_uid.world or t.objects[1].uid ~= 'world' then return nil, 'файл повреждён' end
  local function resolve (v)
    if type(v) ~= 'table' then return v end
    if v[REFERENCE] then return by_uid[v[REFERENCE]] end
    local copy = {}
    for k, e in pairs(v) do
      k = resolve(k)
      if k ~= nil then copy[k] = resolve(e) end
    end
    return copy
  end
  local function objects (list)
    local found = {}
    for _, uid in ipairs(type(list) == 'table' and list or {}) do
      if by_uid[uid] then table.insert(found, by_uid[uid]) end
    end
    return found
  end
  local state = { root = by_uid.world, records = {}, state = resolve(t.state) or {}, over = false }
  for _, r in ipairs(t.objects) do
    local o = by_uid[r.uid]
    local parents = objects(r.parents)
    table.insert(state.records, { object = o, uid = r.uid, name = tostring(r.name or r.uid),
                                  parent = by_uid[r.parent], items = objects(r.items),
                                  parents = table.getn(parents) > 0 and parents or nil,
                                  hooks = rawget(o, 'hooks'), data = resolve(r.data) or {} })
  end
  return state, made
end

-- Where saved games lie: beside the game file, under a name made of the player's words.
local LATIN = { ['а'] = 'a', ['б'] = 'b', ['в'] = 'v', ['г'] = 'g', ['д'] = 'd', ['е'] = 'e',
                ['ё'] = 'e', ['ж'] = 'zh', ['з'] = 'z', ['и'] = 'i', ['й'] = 'y', ['к'] = 'k',
                ['л'] = 'l', ['м'] = 'm', ['н'] = 'n', ['о'] = 'o', ['п'] = 'p', ['р'] = 'r',
                ['с'] = 's', ['т'] = 't', ['у'] = 'u', ['ф'] = 'f', ['х'] = 'h', ['ц'] = 'c',
                ['ч'] = 'ch', ['ш'] = 'sh', ['щ'] = 'sch', ['ъ'] = '', ['ы'] = 'y', ['ь'] = '',
                ['э'] = 'e', ['ю'] = 'yu', ['я'] = 'ya' }

local function game_place ()
  local path = tostring(rawget(_G, 'GAME_FILE') or 'game.lua')
  local _, _, folder, base = string.find(path, '^(.-)([^/\\]*)$')
  base = string.gsub(base, '%.[^.]*$', '')
  if base == '' then base = 'game' end
  return folder, base
end

local function save_path (answer)
  local folder, base = game_place()
  local name = string.gsub(lower(answer), '[^%w%-_]', function (c) return LATIN[c] or '_' end)
  name = string.gsub(string.gsub(name, '^[_%.]+', ''), '_+$', '')
  if name == '' then name = base end
  return folder .. name .. '.sav', name
end

local function save_to (answer)
  local path = save_path(answer)
  local file, problem = io.open(path, 'wb')
  if not file then return say('save_failed', { ['причина'] = tostring(problem) }) end
  local written, failure = file:write(saved_text())
  file:close()
  if not written then return say('save_failed', { ['причина'] = tostring(failure) }) end
  say('saved', { ['файл'] = path })
end

local function restore_from (answer)
  local path = save_path(answer)
  local file, problem = io.open(path, 'rb')
  if not file then return say('restore_failed', { ['причина'] = tostring(problem) }) end
  local text = file:read('*a')
  file:close()
  local state, made = saved_state(text or '')
  if not state then return say('restore_failed', { ['причина'] = tostring(made) }) end
  restore(state)
  for o, sources in pairs(made) do
    o.ide_data = sources
    compile_object(o)
  end
  begin_history(false)
  say('restored')
  lib.show_place(rawget(_G, 'player'))
end

-- ## The commands

local function compiled () return rawget(_G, 'GAME_COMPILED') and true or false end

local function is_yes (text)
  local words = split_words(text)
  if not words[1] then return false end
  for w in ENGINE.gfind(lower(GRAMMAR.yes or ''), '%S+') do
    if ENGINE.fold(w) == ENGINE.fold(words[1]) then return true end
  end
  return false
end

-- Asks a question when playing a compiled game and does `act` on "да"; in the console, at once.
local function confirmed (question, act)
  if not compiled() then return act() end
  ask_player(reply_text(REPLIES[question] or ''), function (text)
    if is_yes(text) then return act() end
    say('not_confirmed')
  end)
end

function ACTIONS.undo (e)
  history_done = true
  local last = nil
  for i = history and history.count or 0, 1, -1 do
    if history.moved[i] then
      last = i
      break
    end
  end
  if not last then return say('undo_none', e) end
  go_back(last - 1)
  say('undo', e)
end

local function restart ()
  if initial then restore(initial) end
  start_game()
end

function ACTIONS.restart (e)
  history_done = true
  confirmed('restart_ask', restart)
end

function ACTIONS.quit (e)
  history_done = true
  if not compiled() then return say('quit_console', e) end
  confirmed('quit_ask', function ()
    say('quit')
    end_game()
  end)
end

function ACTIONS.save (e)
  history_done = true
  if not compiled() then return say('save_console', e) end
  local _, base = game_place()
  ask_player(reply_text(REPLIES.save_ask or '', { ['имя'] = base }), save_to)
end

function ACTIONS.restore (e)
  history_done = true
  if not compiled() then return say('restore_console', e) end
  local _, base = game_place()
  ask_player(reply_text(REPLIES.restore_ask or '', { ['имя'] = base }), restore_from)
end

function ACTIONS.help (e)
  local own = lib.text(lib.data(rawget(_G, 'world')).help, rawget(_G, 'world'))
  if own then return print(own) end
  say('help', e)
end

function ACTIONS.score (e)
  local data = lib.data(rawget(_G, 'world'))
  if tonumber(data.score) == nil then return say('no_score', e) end
  local values = { ['очки'] = count_word(data.score, 'очко', 'очка', 'очков'),
                   ['всего'] = tostring(data.max_score),
                   ['ходы'] = count_word(tonumber(GAME_STATE.moves) or 0, 'ход', 'хода', 'ходов') }
  say(tonumber(data.max_score) and 'score' or 'score_open', values)
end
