-- Run by Copy in the parser messages window: leaves in `temp` Lua text that, run again, gives the
-- nine messages the texts they have now. Messages that are not text are left out.

local lines = { "if type(PARSE_ERROR) ~= 'table' then PARSE_ERROR = {} end" }
if type(PARSE_ERROR) == 'table' then
  for n = 1, 9 do
    local text = PARSE_ERROR[n]
    if type(text) == 'string' or type(text) == 'number' then
      table.insert(lines, 'PARSE_ERROR[' .. n .. '] = ' .. string.format('%q', tostring(text)))
    end
  end
end
temp = table.concat(lines, '\r\n') .. '\r\n'
