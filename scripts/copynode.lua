-- Run by Copy in the object tree with `temp` holding the copied object: writes temp.lua with what
-- pasting the subtree needs beyond the statements that create it, namely its data tables.

dofile 'persist.lua'

local written, problem = persist.write_lines('temp.lua', persist.data_lines(temp), 'wb')
if not written then
  error_print('Не удалось записать temp.lua: ' .. tostring(problem))
end
