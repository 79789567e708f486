-- Sources: what the author types for an object is kept as text in its ide_data, one entry per
-- property, and compiled into the live object: the key "constructor" becomes function
-- uid:constructor (), the key "hooks" the object's one event catcher, any other key a method
-- function uid:key (event). Each definition is compiled and run on its own, so one source that
-- fails is reported with its object and property and the others still load. Constructors are
-- defined, not run: the data saved with a project already holds what they made.

local is_alive = ENGINE.is_alive

-- The Lua text that defines property `key` of object `uid` from its source, or nil when the key
-- cannot name a method.
local function definition_pieces (uid, key, source)
  if key == 'constructor' then
    return { 'function ', uid, ':constructor ()\n', source, '\nend' }
  elseif key == 'hooks' then
    return { uid, '.hooks = nil; ', uid, ':add (function (event)\n', source, '\nend)' }
  elseif is_lua_name(key) then
    return { 'function ', uid, ':', key, '(event)\n', source, '\nend' }
  end
  return nil
end

function source_definition (uid, key, source)
  local pieces = definition_pieces(uid, key, source)
  return pieces and table.concat(pieces)
end

-- The compiled definition of a property, or nil and why not. Where the interpreter reads a chunk
-- piece by piece, the pieces are handed over as they are: thousands of nearly equal definition
-- texts made into strings would crowd the interpreter's string table. An empty piece (an empty
-- source) is passed over, as the reader takes one for the end of the text.
function compile_source (uid, key, source)
  local pieces = definition_pieces(uid, key, source)
  if not pieces then return nil, 'это не имя метода' end
  local name = '=' .. uid .. '.' .. tostring(key)
  if load then
    local i = 0
    return load(function ()
      i = i + 1
      while pieces[i] == '' do i = i + 1 end
      return pieces[i]
    end, name)
  end
  return loadstring(table.concat(pieces), name)
end

local function report_source (uid, key, message)
  error_print('Объект «' .. uid .. '», свойство «' .. tostring(key) .. '»: ' .. tostring(message))
end

-- The keys of a table in a fixed order, so that compiling twice does the same thing.
local function sorted_keys (t)
  local keys = {}
  for k in pairs(t) do table.insert(keys, k) end
  table.sort(keys, function (a, b) return tostring(a) < tostring(b) end)
  return keys
end

-- Compiles the sources of one object into it; returns how many failed.
function compile_object (o)
  local uid, sources = rawget(o, 'uid'), rawget(o, 'ide_data')
  if type(uid) ~= 'string' or type(sources) ~= 'table' then return 0 end
  local failed = 0
  for _, key in ipairs(sorted_keys(sources)) do
    local source = sources[key]
    if type(source) == 'string' or type(source) == 'number' then
      local chunk, problem = compile_source(uid, key, tostring(source))
      if chunk then
        local ran, why = pcall(chunk)
        if not ran then problem = why end
      end
      if problem then
        failed = failed + 1
        report_source(uid, key, problem)
      end
    end
  end
  return failed
end

-- Compiles the sources of every object of the world, owners before what they own.
function compile_world ()
  -- Thousands of small chunks are compiled in a row; collecting garbage while they are made
  -- would sweep the whole world again and again, so it waits until they are all done.
  local paused = pcall(collectgarbage, 'stop')
  local failed, seen = 0, {}
  local function visit (o)
    if type(o) ~= 'table' or seen[o] then return end
    seen[o] = true
    if is_alive(o) then failed = failed + compile_object(o) end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      local count = table.getn(items)
      for i = 1, count do
        local e = items[i]
        if type(e) == 'table' and rawget(e, 'parent') == o then visit(e) end
      end
    end
  end
  visit(rawget(_G, 'world'))
  if paused then collectgarbage('restart') end
  return failed
end
