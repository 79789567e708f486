-- Plays the corpus of player lines (corpus.txt) against its games and says which were understood.
-- CORPUS_TEXT holds the corpus and CORPUS_GAMES[file] each game's project text, in the engine's
-- code page. Lines of the corpus:
--   @ file            the game of the entries that follow
--   # title           the group of the entries that follow
--   [?] setup // ... // line => expected && expected
-- Every entry starts from the game just opened (as Open does, over the world of the entry before)
-- and started; the setup lines are played first and the answer to the last line must hold every
-- expected text ("!n" stands for PARSE_ERROR[n]) and none of those marked with "~".
-- "?" marks a line known not to be understood yet. A line is understood when its answer holds
-- what is expected, nothing was reported as an error, and (when a limit in seconds is given, as the
-- benchmark does) it took less than the limit.

local function trim (s)
  local _, _, inner = string.find(s, '^%s*(.-)%s*$')
  return inner
end

-- The trimmed parts of s between separators ('//' or '&&', which mean nothing in a pattern).
local function split (s, separator)
  local parts = {}
  for part in string.gfind(s .. separator, '(.-)' .. separator) do table.insert(parts, trim(part)) end
  return parts
end

local function entries (text)
  local list, game, group = {}, nil, ''
  for line in string.gfind(text .. '\n', '([^\n]*)\n') do
    line = trim(string.gsub(line, '\r', ''))
    if string.sub(line, 1, 1) == '@' then
      game = trim(string.sub(line, 2))
    elseif string.sub(line, 1, 1) == '#' then
      group = trim(string.sub(line, 2))
    elseif line ~= '' then
      local known_gap = string.sub(line, 1, 1) == '?'
      if known_gap then line = trim(string.sub(line, 2)) end
      local at = string.find(line, '=>', 1, true)
      local inputs = split(string.sub(line, 1, at - 1), '//')
      table.insert(list, { game = game, group = group, inputs = inputs, gap = known_gap,
                           expected = split(string.sub(line, at + 2), '&&') })
    end
  end
  return list
end

-- The game whose engine is loaded: an entry of the same game only opens it again.
local loaded_game = nil

-- The answer lines to one entry, the errors reported, and the time of its last line.
local function play (entry)
  local out, errors = {}, {}
  local keep_print, keep_error = print, error_print
  print = function (...)
    local parts = {}
    for i = 1, arg.n do table.insert(parts, tostring(arg[i])) end
    table.insert(out, table.concat(parts, '\t'))
  end
  error_print = function (message) table.insert(errors, tostring(message)) end
  local ok, problem = pcall(function ()
    if entry.game ~= loaded_game then
      dofile 'startup.lua'
      loaded_game = entry.game
    end
    assert(loadstring(CORPUS_GAMES[entry.game], '=' .. entry.game))()
    compile_world()
    start_game()
    local count = table.getn(entry.inputs)
    for i = 1, count - 1 do parse(entry.inputs[i]) end
    out = {}
    -- The garbage of the engines loaded for the entries before is not this line's to collect.
    collectgarbage()
    local started = os.clock()
    parse(entry.inputs[count])
    entry.seconds = os.clock() - started
  end)
  print, error_print = keep_print, keep_error
  if not ok then table.insert(errors, tostring(problem)) end
  return table.concat(out, '\n'), errors
end

-- The result of the entries played so far: total, understood, known gaps, errors, the slowest
-- time and line, and a line for each entry not understood that is not a known gap.
local result = nil

-- Plays entry i (counted from 1) of the corpus; false when there is none. Each entry may be played
-- from a chunk of its own, so that the host's guard against runaway chunks never times a line.
function corpus_play (i, limit)
  if i == 1 or CORPUS_ENTRIES == nil then
    CORPUS_ENTRIES, loaded_game = entries(CORPUS_TEXT), nil
    result = { total = 0, understood = 0, gaps = 0, errors = 0, slowest = 0, failures = {} }
    CORPUS_RESULT = result
  end
  local entry = CORPUS_ENTRIES[i]
  if not entry then return false end
  local answer, errors = play(entry)
  local good = table.getn(errors) == 0 and (limit == nil or (entry.seconds or limit) < limit)
  for _, want in ipairs(entry.expected) do
    local absent = string.sub(want, 1, 1) == '~'
    if absent then want = string.sub(want, 2) end
    if string.sub(want, 1, 1) == '!' then want = PARSE_ERROR[tonumber(string.sub(want, 2))] end
    if (string.find(answer, want, 1, true) ~= nil) == absent then good = false end
  end
  result.total = result.total + 1
  result.errors = result.errors + table.getn(errors)
  if (entry.seconds or 0) > result.slowest then
    result.slowest, result.slowest_line = entry.seconds, table.concat(entry.inputs, ' // ')
  end
  if good then
    result.understood = result.understood + 1
  elseif entry.gap then
    result.gaps = result.gaps + 1
  else
    table.insert(result.failures, entry.group .. ': ' .. table.concat(entry.inputs, ' // ') ..
                 ' => ' .. string.gsub(answer, '\n', ' | ') .. ' ' .. table.concat(errors, ' '))
  end
  return true
end

-- Plays every entry; the result as corpus_play leaves it.
function run_corpus (limit)
  local i = 1
  while corpus_play(i, limit) do i = i + 1 end
  return CORPUS_RESULT
end
