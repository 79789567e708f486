-- Starting and playing: the game's start and the main loop of a compiled game.

local is_object, handler, default_target = ENGINE.is_object, ENGINE.handler, ENGINE.default_target

-- Ends the game: the main loop of a compiled game stops after this line.
function end_game ()
  GAME_OVER = true
end

-- Begins the game: world:start (event) when the world has that method, else the world's name
-- and the location's look (a method, or the standard description).
function start_game ()
  GAME_OVER = false
  PARSER.last, PARSER.named, PARSER.pending = nil, nil, nil
  local root = rawget(_G, 'world')
  if not is_object(root) then return end
  local actor = rawget(_G, 'player')
  local start = handler(root, 'start')
  if start then
    local ran, problem = xpcall(function ()
      return start(root, { actor = actor, verb = 'start', objects = {}, seconds = {}, words = {},
                           text = '' })
    end, ENGINE.traced)
    if not ran then ENGINE.report(problem, 'world:start') end
    return
  end
  print(root.name)
  if default_target('look', actor) or ENGINE.default_action('look') then perform('look') end
end

-- The main loop of a compiled game: starts it, then reads the player's lines until the input
-- ends or the game does. GAME_IO (write, read, flush) is how the game talks to its terminal;
-- with GAME_ECHO set each line read is written back after the prompt, so a transcript played
-- from a file reads like a session.
function play_game ()
  local port = rawget(_G, 'GAME_IO')
  if type(port) ~= 'table' then
    port = { write = function (text) io.write(text) end,
             read = function () return io.read('*l') end,
             flush = function () io.stdout:flush() end }
  end
  start_game()
  while not GAME_OVER do
    local line
    if GAME_ECHO then
      line = port.read()
      if line then port.write('> ' .. line .. '\n') end
    else
      port.write('> ')
      if port.flush then port.flush() end
      line = port.read()
      if line == nil then port.write('\n') end
    end
    if line == nil then break end
    line = string.gsub(line, '\r$', '')
    parse(line)
  end
  if port.flush then port.flush() end
end
