-- Compile: writes to `filename` one Lua file that plays the game on its own. It holds the engine
-- (its modules copied whole, the same files the program runs), the world as it stands
-- (objects, their owners and references in list order, names, sources and data), the vocabulary in
-- force, the parser's messages, and the call of the main loop. The file runs under this program's
-- Lua and under a stock Lua 5.1, so nothing it writes uses long brackets: strings are %q-quoted.

dofile 'persist.lua'

local function quote (text)
  return string.format('%q', tostring(text))
end

local function read_all (path)
  local file = io.open(path, 'rb')
  if not file then return nil end
  local text = file:read('*a')
  file:close()
  return text
end

-- The prelude of the game: how it writes and reads, and the program's functions it must stand in for.
local PRELUDE = {
  "-- ## The game",
  "if type(GAME_IO) ~= 'table' then",
  "  GAME_IO = { write = function (text) io.write(text) end,",
  "              read = function () return io.read('*l') end,",
  "              flush = function () io.stdout:flush() end }",
  "end",
  "local function text_of (value)",
  "  local kind = type(value)",
  "  if kind == 'string' or kind == 'number' then return tostring(value) end",
  "  if kind == 'boolean' then return value and 'true' or 'false' end",
  "  return kind",
  "end",
  "function print (...)",
  "  local parts = {}",
  "  for i = 1, select('#', ...) do parts[i] = text_of((select(i, ...))) end",
  "  GAME_IO.write(table.concat(parts, '\\t') .. '\\n')",
  "end",
  "function error_print (message)",
  "  local kind = type(message)",
  "  if kind ~= 'string' and kind ~= 'number' then message = '' end",
  "  GAME_IO.write(tostring(message) .. '\\n')",
  "end",
  "function update_items () end",
  "-- A compiled game: the standard library tells its player less than the author's console,",
  "-- and keeps saved games beside the game file.",
  "GAME_COMPILED = true",
  "do",
  "  local source = debug and debug.getinfo and debug.getinfo(1, 'S').source",
  "  if type(source) == 'string' and string.sub(source, 1, 1) == '@' then GAME_FILE = string.sub(source, 2) end",
  "end",
  "-- Gives an object's list the order it had when the game was compiled.",
  "local function arrange (owner, list)",
  "  local items = owner.items",
  "  for i = table.getn(items), 1, -1 do table.remove(items, i) end",
  "  for _, e in ipairs(list) do table.insert(items, e) end",
  "end",
}

-- The engine's modules joined into one text, each in a block of its own so that its local names
-- stay its own as when it is loaded from its file; or nil and the name of a missing module.
local function engine_text ()
  local parts = {}
  for _, module in ipairs(ENGINE_MODULES) do
    local text = read_all(module)
    if not text then return nil, module end
    table.insert(parts, '-- ## ' .. module .. '\ndo\n' .. text .. '\nend')
  end
  return table.concat(parts, '\n')
end

local function compile_game ()
  if type(filename) ~= 'string' or filename == '' then
    error_print('Не задано имя файла игры (filename)')
    return
  end
  local runtime, missing = engine_text()
  if not runtime then
    error_print('Не найден ' .. missing .. ' рядом с программой: игру не из чего собрать')
    return
  end
  if type(world) ~= 'table' or getmetatable(world) ~= OBJECT then
    error_print('Нет мира (world): собирать нечего')
    return
  end
  world:check()

  local lines = {}
  local function emit (line) table.insert(lines, line) end

  -- The objects in the order of ownership: owners before what they own.
  local order = {}
  local function walk (o)
    table.insert(order, o)
    for _, e in ipairs(o.items) do
      if e.parent == o then walk(e) end
    end
  end
  walk(world)

  -- Sources that will not compile are named now; the game reports them again when it starts.
  for _, o in ipairs(order) do
    for key, source in pairs(o.ide_data) do
      if type(source) == 'string' or type(source) == 'number' then
        local _, problem = compile_source(o.uid, key, tostring(source))
        if problem then
          error_print('Объект «' .. o.uid .. '», свойство «' .. tostring(key) .. '»: ' .. tostring(problem))
        end
      end
    end
  end

  local title = string.gsub(tostring(world.name), '[\r\n]', ' ')
  emit('-- ' .. title .. '. Запуск: tarnwick-play <этот файл> или lua5.1 <этот файл>.')
  emit(runtime)
  for _, line in ipairs(PRELUDE) do emit(line) end

  emit('new_world (' .. quote(world.name) .. ')')
  for _, o in ipairs(order) do
    for _, e in ipairs(o.items) do
      if e.parent == o then
        emit(o.uid .. ':create (' .. quote(e.uid) .. ', ' .. quote(e.name) .. ')')
      end
    end
  end
  for _, o in ipairs(order) do
    local created = {}
    local referenced = false
    for _, e in ipairs(o.items) do
      if e.parent == o then table.insert(created, e) end
    end
    for _, e in ipairs(o.items) do
      if e.parent ~= o then
        emit(o.uid .. ':add (' .. e.uid .. ')')
        table.insert(created, e)
        referenced = true
      end
    end
    if referenced then
      local same = true
      for i, e in ipairs(o.items) do
        if created[i] ~= e then same = false end
      end
      if not same then
        local uids = {}
        for _, e in ipairs(o.items) do table.insert(uids, e.uid) end
        emit('arrange (' .. o.uid .. ', { ' .. table.concat(uids, ', ') .. ' })')
      end
    end
  end
  for _, o in ipairs(order) do
    if next(o.ide_data) ~= nil then
      local text = persist.literal(o.ide_data)
      if text then emit(o.uid .. '.ide_data = ' .. text) end
    end
  end
  for _, line in ipairs(persist.data_lines(world)) do emit(line) end

  local names = {}
  for name in pairs(VOCABULARY) do table.insert(names, name) end
  table.sort(names)
  for _, name in ipairs(names) do
    emit('vocabulary (' .. quote(name) .. ', {')
    for _, row in ipairs(VOCABULARY[name].rows) do
      local words = {}
      for _, w in ipairs(row) do table.insert(words, quote(w)) end
      emit('  { ' .. table.concat(words, ', ') .. ' },')
    end
    emit('})')
  end
  local messages = persist.messages_line()
  if messages then emit(messages) end

  emit('compile_world ()')
  emit('play_game ()')

  local file, problem = io.open(filename, 'wb')
  if not file then
    error_print('Не удалось записать игру в ' .. filename .. ': ' .. tostring(problem))
    return
  end
  local written, failure = file:write(table.concat(lines, '\n'), '\n')
  file:close()
  if not written then
    error_print('Не удалось записать игру в ' .. filename .. ': ' .. tostring(failure))
    return
  end
  print('Игра собрана в файл ' .. filename)
end

compile_game()
