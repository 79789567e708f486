-- Inflection: an object's display name put into the one case a reply needs ("Вы берёте ржавый
-- ключ", "У вас нет лампы", "Вы отпираете дверь ключом от сарая"), and the gender and number the
-- words around it agree with ("Дверь заперта", "Фонарь погас"). forms.lua derives every form a
-- player may type; here one form is chosen per case: the accusative of a living being where
-- data.animate says so, the usual one of two spellings elsewhere, and before any rule the
-- author's own forms of the head noun from data.forms ("род:замка", "тв:пальцем").
--
-- An author sets, in the object's data:
--   gender   'м', 'ж', 'с' or 'мн' (or m, f, n, pl) where the name does not tell (a noun in -ь,
--            "дядя", "кофе")
--   animate  true for a living being: "осмотрите мельника", not "мельник"
--   proper   true for a proper name, which keeps its capital letters in mid-sentence

local D = ENGINE.declension
local gfind, is_object = ENGINE.gfind, ENGINE.is_object
local MEMO_LIMIT = ENGINE.MEMO_LIMIT

-- The endings of nouns that are adjectives in form (столовая, мороженое, насекомые).
local ADJECTIVE_NOUNS = { ['ая'] = true, ['яя'] = true, ['ое'] = true, ['ее'] = true, ['ые'] = true }

local CASE_PLACE = { n = 1, g = 2, d = 3, a = 4, i = 5, p = 6 }
local CASE_OF_LABEL = { ['им'] = 'n', ['род'] = 'g', ['дат'] = 'd', ['вин'] = 'a', ['тв'] = 'i',
                        ['пр'] = 'p', n = 'n', g = 'g', d = 'd', a = 'a', i = 'i', p = 'p' }
local GENDERS = { m = 'm', f = 'f', n = 'n', pl = 'pl', ['м'] = 'm', ['ж'] = 'f', ['с'] = 'n',
                  ['мн'] = 'pl' }

-- Stems whose last vowel stays where the common rule would drop it (урок, урока; олень, оленя).
local KEEPS_VOWEL = {}
for w in gfind('урок восток исток поток пророк порок игрок знаток челнок намёк упрёк ' ..
               'кузнец мудрец мертвец храбрец ангел актёр шофёр режиссёр боксёр монтёр ' ..
               'олень тюлень ячмень', '%S+') do
  KEEPS_VOWEL[w] = true
end

local function vowels (w)
  local count = 0
  for _ in gfind(w, '[аеёиоуыэюя]') do count = count + 1 end
  return count
end

local function among (letters, c)
  return c ~= '' and string.find(letters, c, 1, true) ~= nil
end

-- The stem that the endings of word w (a masculine noun) are put on: without its fleeting vowel
-- where Russian drops it (замок, замка; огонёк, огонька; камень, камня), else w less `cut` letters.
local function masculine_stem (w, cut)
  local stem = string.sub(w, 1, string.len(w) - cut)
  if KEEPS_VOWEL[w] or vowels(w) < 2 then return stem end
  return D.fleeting_stem(stem) or stem
end

-- The gender of a head noun by its ending, or nil where only data can tell.
local function noun_gender (w)
  local last, last2 = string.sub(w, -1), string.sub(w, -2)
  if D.indeclinable[w] then return nil end
  if last2 == 'мя' then return 'n' end
  if last == 'а' or last == 'я' then return 'f' end
  if last == 'о' or last == 'е' or last == 'ё' then return 'n' end
  if last == 'ы' or last == 'и' then return 'pl' end
  if last == 'ь' then return D.soft_gender(w) or 'f' end
  return 'm'
end

-- The ending of an ending line for a case: the first of its spellings, or the one for a living
-- being in the accusative.
local function pick (line, case, animate)
  local k = 0
  for endings in gfind(line, '%S+') do
    k = k + 1
    if k == CASE_PLACE[case] then
      local list = {}
      for e in gfind(endings, '[^/]+') do table.insert(list, e) end
      if case == 'a' and animate and list[2] then return list[2] end
      return list[1]
    end
  end
  return '0'
end

-- stem + ending as written: after ж ш ч щ ц a feminine noun usually takes е where the others
-- take о (свечой, but улицей, кашей).
local function join (stem, ending, feminine)
  local spelled = D.spell(stem, ending)
  if feminine and spelled[2] then return spelled[2] end
  return spelled[1]
end

-- Head noun w (lower case) in a case, for a name of gender g.
local function decline_noun (w, case, g, animate)
  local last, last2 = string.sub(w, -1), string.sub(w, -2)
  local function stem (k) return string.sub(w, 1, string.len(w) - k) end
  if case == 'n' or D.indeclinable[w] or among('уюэ', last) or
     (last == 'о' and among(D.vowels, string.sub(w, -2, -2))) or
     not string.find(last, '[\192-\255]') then
    return w
  end
  local lines = D.nouns
  if g == 'pl' and (last == 'ы' or last == 'и') then
    local s = stem(1)
    local ending = pick(D.own_plurals[last == 'ы' and 'y' or 'i'], case, animate)
    local hard = not among('ьйлн', string.sub(s, -1))
    if last == 'и' and hard then ending = string.gsub(ending, '^я', 'а') end   -- спичкам, not -ям
    if case == 'g' or (case == 'a' and animate) then
      -- ножниц, часов; граблей, очков
      if last == 'ы' then ending = string.sub(s, -1) == 'ц' and '0' or 'ов' end
      if last == 'и' then ending = among('кгх', string.sub(s, -1)) and 'ов' or 'ей' end
    end
    return join(s, ending)
  end
  if g == 'pl' then return w end
  if last2 == 'мя' then return join(stem(2), pick(lines.n_mja, case)) end
  if last2 == 'ия' then return join(stem(1), pick(lines.f_ija, case), true) end
  if last == 'а' then return join(stem(1), pick(lines.f_a, case), true) end
  if last == 'я' then return join(stem(1), pick(lines.f_ja, case), true) end
  if last2 == 'ие' then return join(stem(1), pick(lines.n_ie, case)) end
  if last == 'о' then return join(stem(1), pick(lines.n_o, case)) end
  if last == 'е' or last == 'ё' then return join(stem(1), pick(lines.n_e, case)) end
  if last2 == 'ий' then return join(stem(1), pick(lines.m_ij, case, animate)) end
  if last == 'й' then return join(stem(1), pick(lines.m_j, case, animate)) end
  if last == 'ь' then
    if g ~= 'm' then return join(stem(1), pick(lines.f_soft, case), true) end
    local ending = pick(lines.m_soft, case, animate)
    -- Stressed at the end: конём, днём, фонарём (but камнем, учителем).
    if case == 'i' and not animate and (vowels(stem(1)) < 2 or string.find(w, '[ая]рь$')) then
      ending = 'ём'
    end
    if case == 'n' or (case == 'a' and not animate) then return w end
    if string.sub(w, -3) ~= 'ень' then return join(stem(1), ending) end   -- учителя, but камня
    return join(masculine_stem(w, 1), ending)
  end
  if case == 'a' and not animate then return w end
  return join(masculine_stem(w, 0), pick(lines.m_hard, case, animate))
end

-- Adjective w (lower case) in a case, agreeing with a name of gender g.
local function decline_adjective (w, case, g, animate)
  local own = D.adjective_gender(w)
  if own == nil then return w end
  local line = D.adjectives[D.adjective_types(w)[1]][g] or D.adjectives[D.adjective_types(w)[1]][own]
  return join(string.sub(w, 1, -3), pick(line, case, animate))
end

-- data.forms as one text, or ''.
local function forms_spec (data)
  local spec = data and rawget(data, 'forms')
  if type(spec) == 'string' then return spec end
  if type(spec) ~= 'table' then return '' end
  local parts = {}
  for _, v in ipairs(spec) do table.insert(parts, tostring(v)) end
  return table.concat(parts, ' ')
end

-- The head noun's forms an author gave in data.forms, by case letter; for a plural name the
-- plural ones ("мн.род:ножниц") count too.
local function own_forms (spec, plural)
  local forms = {}
  for item in gfind(lower(spec), '[^%s,;]+') do
    local _, _, label, word = string.find(item, '^([^:]*):(.+)$')
    if label then
      if plural and string.sub(label, 1, 3) == 'мн.' then label = string.sub(label, 4) end
      local case = CASE_OF_LABEL[label]
      if case and forms[case] == nil then forms[case] = word end
    end
  end
  return forms
end

-- What the rules make of a name: its words, the head's place, the gender and the author's forms.
local function analyse (name, data)
  local words = {}
  for w in gfind(name, '%S+') do table.insert(words, w) end
  local lowered = {}
  for k, w in ipairs(words) do lowered[k] = lower(w) end
  local head = D.head_of(lowered)
  local g = data and GENDERS[lower(tostring(rawget(data, 'gender') or ''))]
  for k = 1, head - 1 do g = g or D.adjective_gender(lowered[k]) end
  local w = lowered[head]
  if w and ADJECTIVE_NOUNS[string.sub(w, -2)] and string.len(w) > 4 then
    g = g or D.adjective_gender(w)
  end
  if w then g = g or noun_gender(w) end
  g = g or 'm'
  return { words = words, lowered = lowered, head = head, gender = g,
           animate = data and rawget(data, 'animate') and true or false,
           proper = data and rawget(data, 'proper') and true or false,
           forms = own_forms(forms_spec(data), g == 'pl'), cases = {} }
end

-- A word as it stood in the name: its capital letter kept only in a proper name.
local function styled (form, original, proper)
  if proper and string.sub(original, 1, 1) ~= lower(string.sub(original, 1, 1)) then
    return ENGINE.capital(form)
  end
  return form
end

local analyses, analyses_count = {}, 0

local function analysis_of (o)
  local name = rawget(o, 'name')
  if type(name) ~= 'string' then name = tostring(name or rawget(o, 'uid') or '') end
  local data = rawget(o, 'data')
  if type(data) ~= 'table' then data = nil end
  local key = name .. '\n' .. forms_spec(data) .. '\n' .. tostring(data and rawget(data, 'gender')) ..
              tostring(data and rawget(data, 'animate') and true) .. tostring(data and rawget(data, 'proper') and true)
  local known = analyses[key]
  if known then return known end
  if analyses_count >= MEMO_LIMIT then analyses, analyses_count = {}, 0 end
  known = analyse(name, data)
  analyses[key] = known
  analyses_count = analyses_count + 1
  return known
end

-- The gender and number of an object's name: 'm', 'f', 'n' or 'pl'.
function gender_of (o)
  if not is_object(o) then return 'm' end
  return analysis_of(o).gender
end

-- An object's display name in a case ('им', 'род', 'дат', 'вин', 'тв', 'пр', or the letters
-- n g d a i p), in lower case unless data.proper says it is a proper name.
function case_name (o, case)
  if not is_object(o) then return '' end
  case = CASE_OF_LABEL[case] or 'n'
  local a = analysis_of(o)
  local known = a.cases[case]
  if known then return known end
  local parts = {}
  for k, w in ipairs(a.lowered) do
    local form = w
    if k == a.head then
      form = a.forms[case]
      -- A noun that is an adjective in form (столовая, мороженое, насекомые) declines as one.
      if form == nil and ADJECTIVE_NOUNS[string.sub(w, -2)] and string.len(w) > 4 then
        form = decline_adjective(w, case, a.gender, a.animate)
      end
      form = form or decline_noun(w, case, a.gender, a.animate)
    elseif k < a.head then
      form = decline_adjective(w, case, a.gender, a.animate)
    end
    parts[k] = styled(form, a.words[k], a.proper)
  end
  known = table.concat(parts, ' ')
  a.cases[case] = known
  return known
end
