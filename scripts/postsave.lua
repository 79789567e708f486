-- Run after the project file named by `filename` has been written: appends what the file's own
-- statements do not hold (the objects' data tables, the parser's messages and the map), so nothing
-- of the world is lost when the project is opened again.

dofile 'persist.lua'

local lines = persist.data_lines(world)
local messages = persist.messages_line()
if messages then table.insert(lines, messages) end
persist.vocabulary_lines(lines)
if IDE_MAP then
  local ok, problem = pcall(function () IDE_MAP:project_lines(lines) end)
  if not ok then error_print('Карта не записана в проект: ' .. tostring(problem)) end
end
local written, problem = persist.write_lines(filename, lines, 'ab')
if not written then
  error_print('Не удалось дописать данные в проект ' .. tostring(filename) .. ': ' .. tostring(problem))
end
