-- A line of the player's: parse (text) splits it into commands and carries them out in turn,
-- taking the line as the answer when the parser asked a question before.

local parse_message = ENGINE.parse_message
local grammar_words, refresh_tokens, token_of = ENGINE.grammar_words, ENGINE.refresh_tokens, ENGINE.token_of
local words_of_tokens, starts_command = ENGINE.words_of_tokens, ENGINE.starts_command
local heads_command, direction_only = ENGINE.heads_command, ENGINE.direction_only
local finder_of, run_command = ENGINE.finder, ENGINE.run_command

-- More words than a part of a line between . ; ! ? can hold for commands to be read from it (at
-- most GRAMMAR.most_commands of them, of no more than 200 words each, and far more than players
-- type): such a part is not read at all.
local LONGEST_PART = 1000

-- The commands of one part of a line, as lists of tokens.
local function split_commands (part, W, here, most)
  local commands, current = {}, {}
  -- A command ends without its last commas, and without a last "и" before "затем".
  local function close (separated)
    local last = current[table.getn(current)]
    while last and (last.comma or (separated and last.conj)) do
      table.remove(current)
      last = current[table.getn(current)]
    end
    if table.getn(current) > 0 then table.insert(commands, current) end
    current = {}
  end
  local words = part.words
  local count = table.getn(words)
  local list = {}
  for k = 1, count do list[k] = token_of(words[k]) end
  for k = 1, count do
    local t = list[k]
    if table.getn(commands) > most then break end
    if W.separator[t.fw] then
      close(true)
    elseif (t.conj or t.comma) and k < count and heads_command(list[k + 1], here, W)
           and (t.conj or heads_command(current[1], here, W)) then
      close(false)
    else
      table.insert(current, t)
    end
  end
  close(false)
  return commands
end

-- The tokens of an answer joined to the command that asked for it, or nil when the line is a
-- command of its own.
local function answered (pending, list, here, W)
  local first = nil
  for _, t in ipairs(list) do
    if not W.filler[t.fw] and not t.comma then
      first = first or t
    end
  end
  if first == nil then return nil end
  if starts_command(first, here) then return nil end
  if direction_only(list, W) and not (GRAMMAR.movement and GRAMMAR.movement[pending.verb]) then
    return nil
  end
  local joined = {}
  if pending.kind == 'object' then
    for _, t in ipairs(pending.tokens) do table.insert(joined, t) end
    for _, t in ipairs(list) do table.insert(joined, t) end
    return joined
  end
  -- After "Уточните…": ordinals and quantifiers go before the ambiguous phrase, other words after
  -- it, those already in it left out.
  local before, after, inside = {}, {}, {}
  for k = pending.first, pending.last do inside[pending.tokens[k].fw] = true end
  for _, t in ipairs(list) do
    if W.ordinal[t.fw] or W.quantifier[t.fw] then
      table.insert(before, t)
    elseif not inside[t.fw] and not W.filler[t.fw] and not t.comma then
      table.insert(after, t)
    end
  end
  for k = 1, pending.first - 1 do table.insert(joined, pending.tokens[k]) end
  for _, t in ipairs(before) do table.insert(joined, t) end
  for k = pending.first, pending.last do table.insert(joined, pending.tokens[k]) end
  for _, t in ipairs(after) do table.insert(joined, t) end
  for k = pending.last + 1, table.getn(pending.tokens) do table.insert(joined, pending.tokens[k]) end
  return joined
end

local function read_line (text)
  local pending = PARSER.pending
  PARSER.pending = nil
  refresh_tokens()
  local W = grammar_words()
  local places = scope(rawget(_G, 'player'))
  local most = tonumber(GRAMMAR.most_commands) or 20
  local parts = ENGINE.line_parts(text, most + 1, LONGEST_PART)
  local words = 0
  for _, part in ipairs(parts) do words = words + table.getn(part.words) end
  local here = finder_of(places, words)
  local commands = {}
  for _, part in ipairs(parts) do
    if table.getn(commands) > most then break end
    if part.too_long then
      table.insert(commands, { too_long = true })
      break
    end
    local list = split_commands(part, W, here, most)
    for _, tokens_of_command in ipairs(list) do
      local command_text = part.text
      if table.getn(list) > 1 then command_text = table.concat(words_of_tokens(tokens_of_command), ' ') end
      table.insert(commands, { tokens = tokens_of_command, text = command_text })
    end
  end
  if table.getn(commands) == 0 then return parse_message(1) end
  if table.getn(commands) == 1 and table.getn(parts) == 1 then commands[1].text = text end
  if pending and commands[1].tokens then
    local joined = answered(pending, commands[1].tokens, here, W)
    if joined then
      commands[1].tokens = joined
      commands[1].text = table.concat(words_of_tokens(joined), ' ')
    end
  end
  for i, command in ipairs(commands) do
    if i > most then
      print(GRAMMAR.texts.too_many)
      return
    end
    if command.too_long then return parse_message(9) end
    local first = i == 1 and not pending
    if not run_command(command.tokens, command.text, false, first and places, first and here) or
       GAME_OVER then
      return
    end
  end
end

-- Reads and carries out one line of the player's.
function parse (text)
  if text == nil then text = '' end
  text = tostring(text)
  local ran, problem = pcall(read_line, text)
  if not ran then
    if type(problem) == 'table' then error(problem, 0) end   -- a chain of actions cut off
    ENGINE.report(problem, 'разбор строки')
  end
end

