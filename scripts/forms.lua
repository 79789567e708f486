-- Word forms: the case forms of the words of a display name, derived by the rules of Russian
-- declension, so that a player may name an object in whatever case the sentence puts it
-- ("дай мельнику", "отопри ключом", "в сундуке") without the author listing a single form.
--
-- A name is read as adjectives, then the head noun, then a dependent phrase that does not decline
-- ("Ржавый ключ от сарая": ржавый declines, ключ declines, "от сарая" stays). Each word of the name
-- is a slot; each slot knows its forms, and each form the cases it stands for, as letters:
--   n им., g род., d дат., a вин., i тв., p пр.
-- in lower case for the object itself, in upper case for the plural of a name that is singular
-- ("ключи" names all the keys at hand). Forms are derived generously: where Russian has two
-- possibilities (a fleeting vowel, -ой or -ей after ж ш ч щ ц, the gender of a noun in -ь) both
-- are accepted, since an extra form only lets a player through. The genitive also stands for the
-- accusative, as it does for animate nouns ("осмотри мельника").
--
-- An author adds or removes forms per object with data.forms (naming.lua), and
-- show_forms (object) prints what the parser accepts.

local gfind, fold = ENGINE.gfind, ENGINE.fold

local ALL_CASES = 'ngdaip'
local CASE_ORDER = { 'n', 'g', 'd', 'a', 'i', 'p' }

-- The case letter for each slot of an ending line: six singular, then six plural.
local SLOT_CASES = { 'n', 'g', 'd', 'a', 'i', 'p', 'N', 'G', 'D', 'A', 'I', 'P' }

-- Ending lines: twelve slots (singular n g d a i p, plural N G D A I P), alternatives joined by
-- "/", "0" for no ending. The spelling rules (ы after г к х ж ш ч щ, о after ж ш ч щ ц) are
-- applied when the endings meet a stem.
local NOUNS = {
  m_hard = '0 а у 0/а ом е  ы ов ам ы/ов ами ах',
  m_j    = 'й я ю й/я ем е  и ев ям и/ев ями ях',
  m_ij   = 'й я ю й/я ем и/е  и ев ям и/ев ями ях',
  m_soft = 'ь я ю ь/я ем/ём е  и ей ям и/ей ями ях',
  f_soft = 'ь и и ь ью и  и ей ям/ам и/ей ями/ами ях/ах',
  f_a    = 'а ы е у ой/ою е  ы 0 ам ы/0 ами ах',
  f_ja   = 'я и е ю ей/ею е  и ь/ей ям и/ь/ей ями ях',
  f_ija  = 'я и и ю ей/ею и  и й ям и/й ями ях',
  n_o    = 'о а у о ом е  а 0 ам а ами ах',
  n_e    = 'е я ю е ем е  я ей ям я ями ях',
  n_ie   = 'е я ю е ем и  я й ям я ями ях',
  n_mja  = 'мя мени мени мя менем мени  мена мён менам мена менами менах',
}

-- Names that are plural themselves (грабли, часы): six slots, for the one object they name.
local OWN_PLURALS = {
  y = 'ы ов/0/ей ам ы/ов/0/ей ами ах',
  i = 'и ей/ов/ий/0 ям/ам и/ей/ов/ий/0 ями/ами ях/ах',
}

-- Adjectives by type, each gender's six slots (n g d a i p), then the plural's.
local ADJECTIVES = {
  hard = { m = 'ый ого ому ый/ого ым ом', f = 'ая ой ой ую ой/ою ой', n = 'ое ого ому ое ым ом',
           pl = 'ые ых ым ые/ых ыми ых' },
  velar = { m = 'ий ого ому ий/ого им ом', f = 'ая ой ой ую ой/ою ой', n = 'ое ого ому ое им ом',
            pl = 'ие их им ие/их ими их' },
  hushing = { m = 'ий его ему ий/его им ем', f = 'ая ей ей ую ей/ею ей', n = 'ее его ему ее им ем',
              pl = 'ие их им ие/их ими их' },
  stressed = { m = 'ой ого ому ой/ого им ом', f = 'ая ой ой ую ой/ою ой', n = 'ое ого ому ое им ом',
               pl = 'ие их им ие/их ими их' },
  stressed_hard = { m = 'ой ого ому ой/ого ым ом', f = 'ая ой ой ую ой/ою ой', n = 'ое ого ому ое ым ом',
                    pl = 'ые ых ым ые/ых ыми ых' },
  soft = { m = 'ий его ему ий/его им ем', f = 'яя ей ей юю ей/ею ей', n = 'ее его ему ее им ем',
           pl = 'ие их им ие/их ими их' },
}

-- Words that do not decline (most foreign nouns in -о, -е, -и, -у, -ю).
local INDECLINABLE = {}
for w in gfind('кофе кафе пальто радио метро кино такси меню шоссе кашне пюре депо бюро казино ' ..
               'пианино какао кенгуру интервью жалюзи фойе купе желе рагу табло домино эскимо ' ..
               'виски ателье алоэ иглу галифе кимоно трюмо бра', '%S+') do
  INDECLINABLE[w] = true
end

local VELAR, HUSHING, VOWELS = 'гкх', 'жшчщ', 'аеёиоуыэюя'

local function among (letters, c)
  return c ~= '' and string.find(letters, c, 1, true) ~= nil
end

-- Adds the cases to what form stands for in a slot. The forms are kept folded (ё as е), as they
-- are compared; slot.spelled keeps each as it was first spelled, for showing.
local function put (slot, form, cases)
  local f = fold(form)
  local forms = slot.forms
  local old = forms[f]
  if old == nil then
    forms[f] = cases
    slot.spelled[f] = form
    return
  end
  for c in gfind(cases, '.') do
    if not string.find(old, c, 1, true) then old = old .. c end
  end
  forms[f] = old
end

-- The spellings of stem + ending.
local function spell (stem, ending)
  if ending == '0' then return { stem } end
  local last, first = string.sub(stem, -1), string.sub(ending, 1, 1)
  local rest = string.sub(ending, 2)
  if first == 'ы' and (among(VELAR, last) or among(HUSHING, last)) then
    return { stem .. 'и' .. rest }
  end
  if ending == 'ов' and among(HUSHING, last) then return { stem .. 'ей' } end
  if first == 'о' and (among(HUSHING, last) or last == 'ц') then
    return { stem .. ending, stem .. 'е' .. rest }
  end
  if among(HUSHING, last) or last == 'ц' then
    if first == 'я' then return { stem .. 'а' .. rest } end
    if first == 'ю' then return { stem .. 'у' .. rest } end
  end
  return { stem .. ending }
end

-- Puts the forms of an ending line onto a stem; `cases` names the case of each place of the line.
-- A stem that has lost its fleeting vowel (`short`) takes only the endings that are letters.
local function apply (slot, stem, line, cases, short)
  local k = 0
  for endings in gfind(line, '%S+') do
    k = k + 1
    for ending in gfind(endings, '[^/]+') do
      if not (short and (ending == '0' or ending == 'ь')) then
        for _, form in ipairs(spell(stem, ending)) do put(slot, form, cases[k]) end
      end
    end
  end
end

-- The last vowel and consonant of the stems that usually lose the vowel.
local FLEETING = { ['ок'] = true, ['ёк'] = true, ['ек'] = true, ['ец'] = true, ['ен'] = true,
                   ['ёл'] = true, ['ел'] = true, ['ёр'] = true }

-- The stem of a masculine noun without its fleeting vowel (замок > замк, огонёк > огоньк,
-- камень > камн, боец > бойц), or nil when the word has none to lose.
local function fleeting_stem (stem)
  local n = string.len(stem)
  if n < 3 then return nil end
  local before, vowel, after = string.sub(stem, n - 2, n - 2), string.sub(stem, n - 1, n - 1),
                               string.sub(stem, n)
  if not FLEETING[vowel .. after] then return nil end
  local head = string.sub(stem, 1, n - 2)
  if among(VOWELS, before) then return head .. 'й' .. after end
  if vowel ~= 'о' and (before == 'л' or before == 'н') then return head .. 'ь' .. after end
  return head .. after
end


-- The genitive plural of a feminine or neuter noun whose stem ends in two consonants, the last
-- of them к, н, л, ц, р or м, has a vowel between them (ложка > ложек, лодка > лодок, весло >
-- весел, письмо > писем); both vowels are accepted. Other endings keep the cluster (лампа > ламп,
-- карта > карт).
local function plural_genitive_vowel (slot, stem, cases)
  local n = string.len(stem)
  if n < 3 then return end
  local first, last = string.sub(stem, n - 1, n - 1), string.sub(stem, n)
  if among(VOWELS, first) or not among('кнлцрм', last) then return end
  local head = string.sub(stem, 1, n - 1)
  if first == 'й' or first == 'ь' then head = string.sub(stem, 1, n - 2) end
  put(slot, head .. 'е' .. last, cases[8] .. cases[10])
  put(slot, head .. 'о' .. last, cases[8] .. cases[10])
end

-- The gender of a noun in -ь where its ending tells (радость, ночь; учитель, фонарь, камень),
-- else nil: both declensions are then accepted.
-- The masculine endings are tried first, as they are the longer (гвоздь, дождь before -дь).
local SOFT_ENDINGS = { { 'm', { 'тель', 'арь', 'ярь', 'ень', 'онь', 'здь', 'ждь' } },
                       { 'f', { 'сть', 'зть', 'знь', 'чь', 'шь', 'жь', 'щь', 'дь', 'вь' } } }
local function soft_gender (w)
  for _, kind in ipairs(SOFT_ENDINGS) do
    for _, ending in ipairs(kind[2]) do
      if string.sub(w, -string.len(ending)) == ending then return kind[1] end
    end
  end
  return nil
end

-- Puts the forms of noun w (lower case) into a slot. `gender` is 'm', 'f', 'n', 'pl' or nil when only the
-- noun's ending can tell; `cases` gives the letters of the slots.
local function decline_noun (slot, w, gender, cases)
  local last, last2 = string.sub(w, -1), string.sub(w, -2)
  local function stem (k) return string.sub(w, 1, -1 - k) end
  if INDECLINABLE[w] or among('уюэ', last) or (last == 'о' and among(VOWELS, string.sub(w, -2, -2))) then
    put(slot, w, ALL_CASES)
    return
  end
  if gender == 'pl' or ((last == 'ы' or last == 'и') and gender == nil) then
    if last == 'ы' or last == 'и' then
      apply(slot, stem(1), OWN_PLURALS[last == 'ы' and 'y' or 'i'], CASE_ORDER)
    else
      put(slot, w, ALL_CASES)
    end
    return
  end
  if last2 == 'мя' then return apply(slot, stem(2), NOUNS.n_mja, cases) end
  if last2 == 'ия' then return apply(slot, stem(1), NOUNS.f_ija, cases) end
  if last == 'а' then
    apply(slot, stem(1), NOUNS.f_a, cases)
    return plural_genitive_vowel(slot, stem(1), cases)
  end
  if last == 'я' then return apply(slot, stem(1), NOUNS.f_ja, cases) end
  if last2 == 'ие' then return apply(slot, stem(1), NOUNS.n_ie, cases) end
  if last == 'о' then
    apply(slot, stem(1), NOUNS.n_o, cases)
    return plural_genitive_vowel(slot, stem(1), cases)
  end
  if last == 'е' or last == 'ё' then return apply(slot, stem(1), NOUNS.n_e, cases) end
  if last2 == 'ий' then return apply(slot, stem(1), NOUNS.m_ij, cases) end
  if last == 'й' then return apply(slot, stem(1), NOUNS.m_j, cases) end
  if last == 'ь' then
    gender = gender or soft_gender(w)
    if gender ~= 'm' then apply(slot, stem(1), NOUNS.f_soft, cases) end
    if gender ~= 'f' then
      apply(slot, stem(1), NOUNS.m_soft, cases)
      local short = fleeting_stem(stem(1))
      if short then apply(slot, short, NOUNS.m_soft, cases, true) end
    end
    return
  end
  if among(VOWELS, last) or not string.find(last, '[\192-\255]') then
    put(slot, w, ALL_CASES)   -- a word of other letters, digits or an odd ending stays as it is
    return
  end
  apply(slot, w, NOUNS.m_hard, cases)
  local short = fleeting_stem(w)
  if short then apply(slot, short, NOUNS.m_hard, cases, true) end
end

local ADJECTIVE_ENDINGS = { ['ый'] = 'm', ['ой'] = 'm', ['ий'] = 'm', ['ая'] = 'f', ['яя'] = 'f',
                            ['ое'] = 'n', ['ее'] = 'n', ['ые'] = 'pl', ['ие'] = 'pl' }

-- The gender (or 'pl') of a word that reads as an adjective, or nil.
local function adjective_gender (w)
  if string.len(w) < 4 then return nil end
  return ADJECTIVE_ENDINGS[string.sub(w, -2)]
end

-- The declension types of an adjective, by the last letter of its stem and its ending: after
-- ж ш ч щ ц the ending tells a stressed one (большой) from an unstressed one (хороший), except in
-- the feminine, which could be either; a masculine in -ой is stressed after any stem (дорогой,
-- платяной), its other forms those of its stem's kind.
local function adjective_types (w)
  local stem, ending = string.sub(w, 1, -3), string.sub(w, -2)
  local last = string.sub(stem, -1)
  if among(VELAR, last) then
    if ending == 'ой' then return { 'stressed' } end
    return { 'velar' }
  end
  if among(HUSHING, last) or last == 'ц' then
    if ending == 'ой' or ending == 'ое' then return { 'stressed' } end
    if ending == 'ая' then return { 'hushing', 'stressed' } end
    return { 'hushing' }
  end
  if ending == 'ий' or ending == 'яя' or ending == 'ее' or ending == 'ие' then return { 'soft' } end
  if ending == 'ой' then return { 'stressed_hard' } end
  return { 'hard' }
end

-- Puts the forms of adjective w with `cases`, and when the name is singular the plural ones with
-- `plural` (upper-case letters). A singular adjective takes the forms of the other genders too,
-- since players do not always match the gender ("ржавую дверь" is then no unknown word); the
-- cases a form stands for only by that lenience are noted in slot.lenient, so that show_forms
-- leaves them out ("старым" is a plural dative of "старая", not its instrumental).
local function decline_adjective (slot, w, cases, plural)
  local gender = adjective_gender(w)
  local stem = string.sub(w, 1, -3)
  put(slot, w, gender == 'm' and 'na' or 'n')
  local kinds = adjective_types(w)
  for _, kind in ipairs(kinds) do
    apply(slot, stem, ADJECTIVES[kind][gender], cases)
    if plural and gender ~= 'pl' then apply(slot, stem, ADJECTIVES[kind].pl, plural) end
  end
  if gender == 'pl' then return end
  local others = { forms = {}, spelled = {} }
  for _, kind in ipairs(kinds) do
    for _, other in ipairs({ 'm', 'f', 'n' }) do
      if other ~= gender then apply(others, stem, ADJECTIVES[kind][other], cases) end
    end
  end
  slot.lenient = slot.lenient or {}
  for f, c in pairs(others.forms) do
    local own, added = slot.forms[f] or '', ''
    for letter in gfind(c, '.') do
      if not string.find(own, letter, 1, true) then added = added .. letter end
    end
    if added ~= '' then slot.lenient[f] = (slot.lenient[f] or '') .. added end
    put(slot, others.spelled[f], c)
  end
end

local UPPER_CASES = { 'N', 'G', 'D', 'A', 'I', 'P' }

-- The endings of the nouns an adjective of each gender goes with ("здание вокзала" is a noun
-- followed by another, not an adjective before one).
local AGREEING_ENDINGS = { m = 'йьая', f = 'аяь', n = 'оеёя', pl = 'ыи' }

local function agrees (gender, word)
  local last = string.sub(word, -1)
  if adjective_gender(word) then return true end
  if gender == 'm' and not among(VOWELS, last) then return true end
  return among(AGREEING_ENDINGS[gender], last)
end

-- The place of the head noun among the words of a name: the first word that does not read as an
-- adjective (or the last word when all do); the words before it are its adjectives, the words after
-- it a phrase that keeps its form.
local function head_of (words)
  local count = table.getn(words)
  for k = 1, count do
    local gender = adjective_gender(words[k])
    if not gender or (k < count and not agrees(gender, words[k + 1])) then return k end
  end
  return count
end

-- The slots of a display name: { word, kind = 'adjective' | 'noun' | 'fixed', forms }.
local function name_slots (words, is_preposition)
  local count = table.getn(words)
  local head = head_of(words)
  local gender = nil
  for k = 1, head - 1 do gender = gender or adjective_gender(words[k]) end
  local plural = gender ~= 'pl' and UPPER_CASES or nil
  local slots = {}
  for k = 1, count do
    local w = words[k]
    local slot = { word = w, forms = {}, spelled = {} }
    if k < head then
      slot.kind = 'adjective'
      decline_adjective(slot, w, CASE_ORDER, plural)
    elseif k == head then
      slot.kind = 'noun'
      -- A head that reads as an adjective declines as one (столовая, мороженое, насекомые);
      -- in -ий and -ой it may be either (рабочий, кий; рулевой, герой); -ие is a noun (здание).
      local ending = string.sub(w, -2)
      if adjective_gender(w) and ending ~= 'ие' then
        decline_adjective(slot, w, CASE_ORDER, ending ~= 'ые' and UPPER_CASES or nil)
      end
      if not adjective_gender(w) or ending == 'ий' or ending == 'ой' or ending == 'ие' then
        decline_noun(slot, w, gender, SLOT_CASES)
      end
    else
      slot.kind = 'fixed'
      slot.preposition = is_preposition(w)
      put(slot, w, ALL_CASES)
    end
    table.insert(slots, slot)
  end
  return slots
end

ENGINE.name_slots = name_slots
-- What inflect.lua needs to choose one form of a name for a reply.
ENGINE.declension = { nouns = NOUNS, own_plurals = OWN_PLURALS, adjectives = ADJECTIVES,
                      indeclinable = INDECLINABLE, spell = spell, fleeting_stem = fleeting_stem,
                      soft_gender = soft_gender, adjective_gender = adjective_gender,
                      adjective_types = adjective_types, head_of = head_of, vowels = VOWELS }
ENGINE.decline_noun = decline_noun
ENGINE.SLOT_CASES = SLOT_CASES
ENGINE.ALL_CASES = ALL_CASES
ENGINE.put_form = put

-- Every form of an adjective in every gender and number, folded (for ordinal words, which go with
-- nouns of any gender: "вторую лампу", "второй ключ").
function ENGINE.adjective_forms (w)
  local slot = { forms = {}, spelled = {} }
  local stem = string.sub(w, 1, -3)
  put(slot, w, 'na')
  for _, kind in ipairs(adjective_types(w)) do
    for _, gender in ipairs({ 'm', 'f', 'n', 'pl' }) do
      apply(slot, stem, ADJECTIVES[kind][gender], CASE_ORDER)
    end
  end
  return slot.forms
end
