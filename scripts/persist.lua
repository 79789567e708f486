-- Writing what a project file's own statements do not hold, as Lua text that restores it: the
-- objects' data tables, the parser's messages and the vocabularies. Used by postsave.lua and copynode.lua.
-- Lines end with CR LF, as in the rest of the project file.

local EOL = '\r\n'

local function is_object (value)
  return type(value) == 'table' and getmetatable(value) == OBJECT
end

local is_name = is_lua_name

-- A value as Lua text, or nil for what cannot be written (functions, objects that are gone).
-- Tables are written in full; a table met again inside itself is left out.
local function literal (value, open)
  local kind = type(value)
  if kind == 'string' then return string.format('%q', value) end
  if kind == 'number' then
    if value ~= value then return '0/0' end
    if value == 1/0 then return '1/0' end
    if value == -1/0 then return '-1/0' end
    return tostring(value)
  end
  if kind == 'boolean' then return tostring(value) end
  if kind ~= 'table' then return nil end
  if is_object(value) then
    local uid = rawget(value, 'uid')
    if type(uid) == 'string' and rawget(_G, uid) == value then return uid end
    return nil
  end
  if open[value] then return nil end
  open[value] = true
  local parts = {}
  for k, v in pairs(value) do
    local key, text
    if is_name(k) then
      key = k
    else
      key = literal(k, open)
      if key then key = '[' .. key .. ']' end
    end
    text = literal(v, open)
    if key and text then table.insert(parts, key .. ' = ' .. text) end
  end
  open[value] = nil
  return '{' .. table.concat(parts, ', ') .. '}'
end

persist = {}

persist.literal = function (value) return literal(value, {}) end

-- Lines that restore the data tables of obj and of everything it owns.
function persist.data_lines (obj, lines)
  lines = lines or {}
  local seen = {}
  local function visit (o)
    if seen[o] then return end
    seen[o] = true
    local data = rawget(o, 'data')
    if type(data) == 'table' and next(data) ~= nil then
      local text = literal(data, {})
      if text then table.insert(lines, o.uid .. '.data = ' .. text) end
    end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      for _, e in ipairs(items) do
        if is_object(e) and rawget(e, 'parent') == o then visit(e) end
      end
    end
  end
  if is_object(obj) then visit(obj) end
  return lines
end

-- The line that restores the parser's messages.
function persist.messages_line ()
  if type(PARSE_ERROR) ~= 'table' then return nil end
  return 'PARSE_ERROR = ' .. literal(PARSE_ERROR, {})
end

-- Lines that put the vocabularies in force again when the project is opened, wherever that is:
-- every row of each vocabulary in force, appended to `lines` (see project_vocabulary).
function persist.vocabulary_lines (lines)
  lines = lines or {}
  local names = {}
  for name, v in pairs(VOCABULARY or {}) do
    if type(v) == 'table' and type(v.rows) == 'table' then table.insert(names, name) end
  end
  table.sort(names)
  for _, name in ipairs(names) do
    table.insert(lines, 'project_vocabulary (' .. literal(name, {}) .. ', {')
    for _, row in ipairs(VOCABULARY[name].rows) do
      local words = {}
      for _, w in ipairs(row) do table.insert(words, literal(w, {})) end
      table.insert(lines, '  {' .. table.concat(words, ', ') .. '},')
    end
    table.insert(lines, '})')
  end
  return lines
end

-- Appends lines to a file, or writes them anew; false and a message when the file fails.
function persist.write_lines (path, lines, mode)
  local file, problem = io.open(path, mode)
  if not file then return false, problem end
  for _, line in ipairs(lines) do
    local ok, failure = file:write(line, EOL)
    if not ok then
      file:close()
      return false, failure
    end
  end
  file:close()
  return true
end
