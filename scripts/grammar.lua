-- The grammar's own words: what the parser knows of Russian beyond the vocabularies, kept in the
-- global table GRAMMAR so that a game may change or extend any of it (in the world's start method,
-- for instance). Words are written in lower case; ё and е count as one letter.

GRAMMAR = {}

-- Directions: the name of each (what event.direction holds), then the other words and
-- abbreviations a player types for it. The names of the compass points also count in any case
-- ("к северу", "на северо-запад"). The one-letter "с" and "в" are directions only where no
-- preposition can stand: alone, or last after a verb of movement.
GRAMMAR.directions = {
  ['север'] = 'с n', ['юг'] = 'ю s', ['запад'] = 'з w', ['восток'] = 'в e',
  ['северо-восток'] = 'св ne', ['северо-запад'] = 'сз nw', ['юго-восток'] = 'юв se',
  ['юго-запад'] = 'юз sw', ['вверх'] = 'наверх вв u up', ['вниз'] = 'вн d down',
  ['внутрь'] = 'вовнутрь in', ['наружу'] = 'out', ['назад'] = 'back',
}

-- The verbs (key words) whose sentences may name a direction or a neighbouring room.
GRAMMAR.movement = { go = true, enter = true, leave = true, climb = true }

-- What the parser asks when a verb that needs an object comes without one and nothing answers it
-- alone; the next line is then taken as the answer.
GRAMMAR.questions = {
  take = 'Что взять?', drop = 'Что бросить?', put = 'Что положить?', open = 'Что открыть?',
  close = 'Что закрыть?', lock = 'Что запереть?', unlock = 'Что отпереть?', go = 'Куда идти?',
  enter = 'Куда войти?', climb = 'Куда залезть?', read = 'Что прочитать?',
  light = 'Что зажечь?', extinguish = 'Что погасить?', push = 'Что толкнуть?',
  pull = 'Что потянуть?', turn = 'Что повернуть?', eat = 'Что съесть?', drink = 'Что выпить?',
  wear = 'Что надеть?', undress = 'Что снять?', give = 'Что дать?', show = 'Что показать?',
  talk = 'С кем поговорить?', ask = 'Кого спросить?', touch = 'Что потрогать?',
  attack = 'Кого ударить?', smash = 'Что сломать?', tie = 'Что привязать?',
  cut = 'Что разрезать?', fill = 'Что наполнить?', pour = 'Что вылить?',
  wake = 'Кого разбудить?', throw = 'Что бросить?', move = 'Что подвинуть?',
  search = 'Что обыскать?',
}

-- A verb that means another with a preposition: "сними лампу с полки" takes the lamp.
GRAMMAR.redirect = { undress = { ['с'] = 'take', ['из'] = 'take' } }

-- One-word commands that are not verbs elsewhere ("и" is a conjunction, "о" a preposition).
GRAMMAR.shortcuts = { ['и'] = 'inventory', ['о'] = 'look' }

-- Words that carry no meaning in a command and are passed over.
GRAMMAR.fillers = 'пожалуйста пож плиз ну ка же ещё обратно давай давайте теперь сейчас скорее ' ..
                  'быстро быстрее медленно аккуратно осторожно внимательно тихо тихонько ' ..
                  'сначала тогда лучше просто немного немножко чуть вот уже бы ли раз хочу ' ..
                  'хотим можно надо нужно попробую попробуй попробовать попытайся эй ладно ' ..
                  'хорошо я вокруг заново'

-- Words that choose among the objects a name fits: all of them, both, any one.
GRAMMAR.quantifiers = {
  all = 'всё все всех всем всеми каждый каждую каждого',
  both = 'оба обе обоих обеих обоим обеим обоими обеими',
  any = 'любой любую любого любая любое любым любом какой-нибудь какую-нибудь',
}

-- Words that take objects out of "всё": "возьми всё, кроме ключа".
GRAMMAR.except = 'кроме исключая'

-- What "всё" stands for with a verb: what the actor holds for these verbs, what the actor does not
-- hold for the others; always only objects that answer the verb. With a second object after one
-- of the prepositions in `from` ("возьми всё из ящика") only what that object holds.
GRAMMAR.held_verbs = { drop = true, put = true, give = true, show = true, throw = true }
-- A game (or a library of actions) may narrow "всё" further: all_filter (verb, object, actor)
-- returns whether the object counts.
GRAMMAR.all_filter = nil
GRAMMAR.from = 'из с от'

-- Prepositions after which a name may stand for something out of sight, or for nothing at all
-- ("спроси мельника о ключе", "о погоде"): the words then become event.topic.
GRAMMAR.topics = 'о про'

-- Ordinal words, by number ("возьми второй ключ", or "первый" after "Уточните…"); -1 is the last.
GRAMMAR.ordinals = { 'первый', 'второй', 'третий', 'четвёртый', 'пятый', 'шестой', 'седьмой',
                     'восьмой', 'девятый', 'десятый', [-1] = 'последний' }

-- Words that end one command and begin the next on the same line, besides . ; ! ? and "и" or a
-- comma before a verb.
GRAMMAR.separators = 'затем потом then'

-- The cases pronouns stand in (see forms.lua for the letters), for the pronouns of the nouns
-- vocabulary and for words it gives to an object (себя, мне for the player); a word of the
-- vocabulary not listed here fits any case.
GRAMMAR.pronoun_cases = {
  ['его'] = 'ga', ['него'] = 'ga', ['её'] = 'ga', ['неё'] = 'ga', ['ему'] = 'd', ['нему'] = 'd',
  ['ей'] = 'di', ['ней'] = 'dip', ['им'] = 'iD', ['ним'] = 'iD', ['их'] = 'GA', ['них'] = 'GAP',
  ['это'] = 'na', ['эту'] = 'a', ['этого'] = 'ga', ['этим'] = 'i',
  ['меня'] = 'ga', ['мне'] = 'dp', ['мной'] = 'i', ['себя'] = 'ga', ['себе'] = 'dp', ['собой'] = 'i',
}

-- The parser's own replies, besides the nine messages of PARSE_ERROR.
GRAMMAR.texts = {
  dark = 'Здесь слишком темно, ничего не разглядеть.',
  nothing = 'Здесь нет ничего подходящего.',
  no_answer = '%s не отвечает.',
  too_many = 'Остальные команды этой строки пропущены: их слишком много.',
  too_deep = 'Действия вызывают друг друга слишком глубоко (больше %d уровней): %s. ' ..
             'Цепочка прервана, игра продолжается.',
}

-- How many commands one line may hold, and how deep actions may call one another.
GRAMMAR.most_commands = 20
GRAMMAR.deepest = 50
