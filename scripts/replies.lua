-- Replies: what the standard actions say, kept in the global table REPLIES so that a game may
-- reword any of them (in the world's start method, say), and one object may have its own in
-- data.replies (lamp.data.replies = { take = 'Вы осторожно снимаете лампу с крюка.' }).
--
-- A reply is a text with marks in braces, filled in for the object and the second object of the
-- action:
--   {вин}, {Вин}      the object's name in a case (им род дат вин тв пр), the capital for the
--                     first word of a sentence; {вин2} is the second object's ("ключом" in
--                     "Вы отпираете дверь ключом")
--   {|а|о|ы}          the ending for the object's gender and number: masculine, feminine,
--                     neuter, plural ("{Им} заперт{|а|о|ы}" — "Дверь заперта"); {2:...} for the
--                     second object's
--   {список} ...      any other value the action gives (the list of things, a direction)
-- A reply that is a number prints that parser message (PARSE_ERROR); an empty text or false
-- prints nothing; a function is called with the values and may return the text.

local is_object, capital, gfind = ENGINE.is_object, ENGINE.capital, ENGINE.gfind
local parse_message = ENGINE.parse_message

REPLIES = {
  -- Looking and the state of things
  examine = 'Вы не видите в {пр} ничего особенного.',
  too_dark = 'Слишком темно, чтобы что-то разглядеть.',
  is_open = '{Им} открыт{|а|о|ы}.',
  is_closed = '{Им} закрыт{|а|о|ы}.',
  is_lit = '{Им} гор{ит|ит|ит|ят}.',
  contents_in = 'В {пр}: {список}.',
  contents_on = 'На {пр}: {список}.',
  empty = 'В {пр} пусто.',
  search = 'Вы не находите ничего интересного.',
  -- Taking and leaving
  take = 'Вы берёте {вин}.',
  take_held = '{Им} уже у вас.',
  take_self = 'Вы и так при себе.',
  take_animate = 'Вряд ли {им} это позволит.',
  fixed = 6,
  not_in = 'В {пр2} нет {род}.',
  not_on = 'На {пр2} нет {род}.',
  not_with = 'У {род2} нет {род}.',
  take_from_animate = '{Им2} не отда{2:ст|ст|ст|дут} {вин}.',
  drop = 'Вы бросаете {вин}.',
  put_down = 'Вы кладёте {вин}.',
  not_held = 'У вас нет {род}.',
  take_off_first = 'Сначала снимите {вин}.',
  put_in = 'Вы кладёте {вин} в {вин2}.',
  put_on = 'Вы кладёте {вин} на {вин2}.',
  not_container = 'В {вин2} ничего не положить.',
  not_supporter = 'На {вин2} ничего не положить.',
  second_closed = '{Им2} закрыт{2:|а|о|ы}.',
  full_in = 'В {пр2} больше нет места.',
  full_on = 'На {пр2} больше нет места.',
  put_inside_itself = 'Так не получится.',
  put_there = 'Положить {вин} туда не получится.',
  inventory = 'У вас с собой: {список}.',
  inventory_empty = 'У вас ничего нет.',
  inventory_worn = '{им} (надет{|а|о|ы})',
  inventory_lit = '{им} (гор{ит|ит|ит|ят})',
  -- Opening, locking, light
  open = 'Вы открываете {вин}.',
  open_already = '{Им} уже открыт{|а|о|ы}.',
  locked = '{Им} заперт{|а|о|ы}.',
  not_openable = '{Вин} не открыть.',
  close = 'Вы закрываете {вин}.',
  close_already = '{Им} уже закрыт{|а|о|ы}.',
  not_closable = '{Вин} не закрыть.',
  unlock = 'Вы отпираете {вин} {тв2}.',
  unlock_already = '{Им} не заперт{|а|о|ы}.',
  lock = 'Вы запираете {вин} {тв2}.',
  unlock_bare = 'Вы отпираете {вин}.',
  lock_bare = 'Вы запираете {вин}.',
  lock_already = '{Им} уже заперт{|а|о|ы}.',
  lock_open = 'Сначала закройте {вин}.',
  no_lock = 'У {род} нет замка.',
  no_key = 'Вам нечем отпереть {вин}.',
  no_key_to_lock = 'Вам нечем запереть {вин}.',
  wrong_key = '{Им2} не подход{2:ит|ит|ит|ят} к {дат}.',
  key_not_held = 'Сначала возьмите {вин2}.',
  light = 'Вы зажигаете {вин}.',
  light_already = '{Им} уже гор{ит|ит|ит|ят}.',
  not_light = '{Вин} не зажечь.',
  extinguish = '{Им} погас{|ла|ло|ли}.',
  extinguish_already = '{Им} и так не гор{ит|ит|ит|ят}.',
  not_extinguishable = '{Вин} не погасить.',
  gets_dark = 'Становится темно.',
  read_nothing = 'На {пр} ничего не написано.',
  -- Wearing, eating
  wear = 'Вы надеваете {вин}.',
  wear_already = '{Им} уже на вас.',
  not_wearable = '{Вин} не надеть.',
  take_first = 'Сначала возьмите {вин}.',
  undress = 'Вы снимаете {вин}.',
  not_worn = 'На вас нет {род}.',
  eat = 'Вы съедаете {вин}.',
  not_edible = '{Им} несъедоб{ен|на|но|ны}.',
  drink = 'Вы выпиваете {вин}.',
  not_drinkable = '{Вин} не выпить.',
  -- People
  give = '{Им2} бер{2:ёт|ёт|ёт|ут} {вин}.',
  give_refused = '{Им2} не хо{2:чет|чет|чет|тят} брать {вин}.',
  give_thing = 'Отдавать что-либо {дат2} бессмысленно.',
  give_whom = 'Кому отдать {вин}?',
  show = '{Им2} равнодушно смотр{2:ит|ит|ит|ят} на {вин}.',
  show_thing = 'Показывать {вин} {дат2} бессмысленно.',
  show_whom = 'Кому показать {вин}?',
  talk = '{Им} не расположен{|а|о|ы} к разговору.',
  talk_thing = 'Разговаривать с {тв} бессмысленно.',
  talk_nobody = 'Поговорить здесь не с кем.',
  ask = '{Им} пожима{ет|ет|ет|ют} плечами.',
  ask_thing = 'Спрашивать {вин} о чём-либо бессмысленно.',
  order = '{Им} не обраща{ет|ет|ет|ют} внимания на ваши слова.',
  attack = 'Насилие здесь ничего не решит.',
  -- The senses and the rest
  wait = 'Проходит немного времени.',
  jump = 'Вы подпрыгиваете на месте.',
  sleep = 'Сейчас не время спать.',
  listen = 'Вы не слышите ничего необычного.',
  smell = 'Ничем особенным не пахнет.',
  touch = 'На ощупь — ничего необычного.',
  push = 'Вы толкаете {вин}, но ничего не происходит.',
  pull = 'Вы тянете {вин}, но ничего не происходит.',
  push_fixed = '{Им} не подда{ётся|ётся|ётся|ются}.',
  push_animate = 'Вряд ли {дат} это понравится.',
  -- Places and ways
  here = 'Здесь есть: {список}.',
  exits = 'Выходы: {список}.',
  dark = 'Здесь темно, хоть глаз выколи.',
  no_exit = 'Туда не пройти.',
  go_here = 'Вы уже здесь.',
  enter_not = 'В {вин} не войти.',
  go_near = 'Вы и так рядом с {тв}.',
  no_way_back = 'Непонятно, куда возвращаться.',
  look_direction = '{Место} — {им}.',
  look_direction_none = '{Место} нет ничего интересного.',
  -- The game itself
  help = 'Пишите, что сделать, короткими фразами: «осмотреться», «осмотреть дверь», ' ..
         '«взять лампу», «положить ключ в ящик», «идти на север» или просто «север» ' ..
         '(с, ю, з, в, вверх, вниз), «назад». «и» — что у вас с собой, «о» — осмотреться. ' ..
         '«отменить» отменяет ход, «сохранить» и «загрузить» — игру, «заново» начинает её ' ..
         'сначала, «конец» заканчивает.',
  score = 'Вы набрали {очки} из {всего} за {ходы}.',
  score_open = 'Вы набрали {очки} за {ходы}.',
  no_score = 'В этой игре очки не ведутся.',
  undo = 'Ход отменён.',
  undo_none = 'Отменять нечего.',
  restart_ask = 'Начать игру заново? (да/нет)',
  quit_ask = 'Закончить игру? (да/нет)',
  not_confirmed = 'Хорошо, продолжаем.',
  quit = 'Игра окончена.',
  quit_console = 'В собранной игре здесь игра закончилась бы. В консоли можно играть дальше ' ..
                 'или начать заново: «заново».',
  save_ask = 'Под каким именем сохранить игру? (Enter — «{имя}»)',
  saved = 'Игра сохранена в файл {файл}.',
  save_failed = 'Не удалось сохранить игру: {причина}.',
  restore_ask = 'Какую сохранённую игру загрузить? (Enter — «{имя}»)',
  restored = 'Игра загружена.',
  restore_failed = 'Не удалось загрузить игру: {причина}.',
  save_console = 'В консоли игра не сохраняется: это умеет собранная игра. Проект сохраняется ' ..
                 'через меню «Файл».',
  restore_console = 'В консоли сохранённые игры не загружаются: это умеет собранная игра. ' ..
                    'Проект открывается через меню «Файл».',
  failure = 'Что-то в игре сломалось, но играть можно дальше.',
}

-- The places a direction names in a sentence ("На севере — кабинет").
REPLIES.places = {
  ['север'] = 'на севере', ['юг'] = 'на юге', ['запад'] = 'на западе', ['восток'] = 'на востоке',
  ['северо-восток'] = 'на северо-востоке', ['северо-запад'] = 'на северо-западе',
  ['юго-восток'] = 'на юго-востоке', ['юго-запад'] = 'на юго-западе', ['вверх'] = 'наверху',
  ['вниз'] = 'внизу', ['внутрь'] = 'внутри', ['наружу'] = 'снаружи', ['назад'] = 'позади',
}

local GENDER_PLACE = { m = 1, f = 2, n = 3, pl = 4 }
local CASES = { ['им'] = true, ['род'] = true, ['дат'] = true, ['вин'] = true, ['тв'] = true,
                ['пр'] = true }

-- The text of a mark for the values: a case of a name, a gender's ending, or a value by name.
local function mark (inside, values)
  local _, _, who, choice = string.find(inside, '^(2?):?(.*|.*)$')
  if choice then
    local o = who == '2' and values.second or values.object
    local k, n = GENDER_PLACE[gender_of(o)] or 1, 0
    for ending in gfind(choice .. '|', '([^|]*)|') do
      n = n + 1
      if n == k then return ending end
    end
    return ''
  end
  local low = lower(inside)
  local upper = low ~= inside
  local _, _, case, second = string.find(low, '^(%S-)(2?)$')
  local text
  if case and CASES[case] then
    text = case_name(second == '2' and values.second or values.object, case)
  else
    text = values[inside]
    if text == nil and upper then text = values[low] end
    if text == nil then return '{' .. inside .. '}' end
    text = tostring(text)
  end
  if upper then text = capital(text) end
  return text
end

-- A reply's text with its marks filled in.
function reply_text (text, values)
  values = values or {}
  local filled = string.gsub(text, '{([^{}]*)}', function (inside) return mark(inside, values) end)
  return filled
end

-- The reply named `key` for the values (an event, or a table with object, second and the rest):
-- the object's own from data.replies, else REPLIES[key].
local function reply_of (key, values)
  local o = values and values.object
  local data = is_object(o) and rawget(o, 'data')
  if type(data) == 'table' and type(data.replies) == 'table' and data.replies[key] ~= nil then
    return data.replies[key]
  end
  return REPLIES[key]
end

-- Says the reply named `key` for the values.
function say (key, values)
  values = values or {}
  local reply = reply_of(key, values)
  if type(reply) == 'function' then reply = reply(values) end
  if type(reply) == 'number' then return parse_message(reply) end
  if type(reply) ~= 'string' or reply == '' then return end
  print(reply_text(reply, values))
end

-- The names of objects in one case, joined as Russian lists them: "лампа, записка и ключ". Each
-- may be written through a reply instead (`style` (o) gives its key, or nil for the bare name).
function list_names (objects, case, style)
  local names = {}
  for _, o in ipairs(objects) do
    local key = style and style(o)
    local reply = key and reply_of(key, { object = o })
    if type(reply) == 'string' and reply ~= '' then
      table.insert(names, reply_text(reply, { object = o }))
    else
      table.insert(names, case_name(o, case or 'им'))
    end
  end
  local count = table.getn(names)
  if count < 2 then return names[1] or '' end
  return table.concat(names, ', ', 1, count - 1) .. ' и ' .. names[count]
end

-- A number with a noun in the form the number asks for: count_word (5, 'ход', 'хода', 'ходов')
-- gives "5 ходов" (1 ход, 2 хода, 11 ходов, 21 ход).
function count_word (n, one, few, many)
  local whole = math.floor(math.abs(tonumber(n) or 0))
  local last, last2 = whole - math.floor(whole / 10) * 10, whole - math.floor(whole / 100) * 100
  local word = many
  if last == 1 and last2 ~= 11 then
    word = one
  elseif last >= 2 and last <= 4 and (last2 < 12 or last2 > 14) then
    word = few
  end
  return tostring(n) .. ' ' .. word
end

ENGINE.reply_of = reply_of
