-- Run after the project file named by `filename` has been written: appends what the file's own
-- statements do not hold (the objects' data tables and the parser's messages), so nothing of the
-- world is lost when the project is opened again.

dofile 'persist.lua'

local lines = persist.data_lines(world)
local messages = persist.messages_line()
if messages then table.insert(lines, messages) end
persist.vocabulary_lines(lines)
local written, problem = persist.write_lines(filename, lines, 'ab')
if not written then
  error_print('Не удалось дописать данные в проект ' .. tostring(filename) .. ': ' .. tostring(problem))
end
