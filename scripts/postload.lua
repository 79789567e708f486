-- Run after a project, a pasted subtree or a copied property has run: compiles every source text
-- kept in ide_data into the live object (methods, event catchers, constructor), so the world
-- plays at once. A source that does not compile is reported with its object and property; the
-- rest still loads. Constructors are defined, not run: the data saved with the project already
-- holds the state they had made.

local function report (uid, key, message)
  error_print('Объект «' .. uid .. '», свойство «' .. tostring(key) .. '»: ' .. tostring(message))
end

local function definition (uid, key, source)
  if key == 'constructor' then
    return 'function ' .. uid .. ':constructor ()\n' .. source .. '\nend'
  elseif key == 'hooks' then
    return uid .. '.hooks = nil; ' .. uid .. ':add (function (event)\n' .. source .. '\nend)'
  elseif type(key) == 'string' and string.find(key, '^[%a_][%w_]*$') then
    return 'function ' .. uid .. ':' .. key .. '(event)\n' .. source .. '\nend'
  end
  return nil
end

local function compile (o)
  local uid = o.uid
  if type(o.ide_data) ~= 'table' then return end
  for key, source in pairs(o.ide_data) do
    if type(source) == 'string' or type(source) == 'number' then
      local text = definition(uid, key, tostring(source))
      if not text then
        report(uid, key, 'это не имя метода')
      else
        local chunk, problem = loadstring(text, '=' .. uid .. '.' .. tostring(key))
        if not chunk then
          report(uid, key, problem)
        else
          local ran, failure = pcall(chunk)
          if not ran then report(uid, key, failure) end
        end
      end
    end
  end
end

local seen = {}
local function visit (o)
  if type(o) ~= 'table' or seen[o] then return end
  seen[o] = true
  if type(o.uid) == 'string' and rawget(_G, o.uid) == o then compile(o) end
  if type(o.items) == 'table' then
    for _, e in ipairs(o.items) do
      if type(e) == 'table' and e.parent == o then visit(e) end
    end
  end
end
visit(world)
