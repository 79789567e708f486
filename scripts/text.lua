-- Text: the player's words are Windows-1251 bytes. Letter case is folded here, by table, because
-- the C library's idea of letters does not know Cyrillic.

local gfind = string.gmatch or string.gfind

local LOWER_BYTE = {}  -- every byte: its lower-case letter, or itself
local UPPER_CLASS     -- a pattern class of the upper-case letters
local NONWORD_CLASS   -- a pattern class of the bytes that separate words
local GAP_CLASS       -- the same without the comma and the colon, which commands keep
do
  for b = 0, 255 do LOWER_BYTE[string.char(b)] = string.char(b) end
  local function letter (u, l) LOWER_BYTE[string.char(u)] = string.char(l) end
  for i = 0, 25 do letter(65 + i, 97 + i) end       -- A-Z
  for i = 0, 31 do letter(192 + i, 224 + i) end     -- А-Я
  letter(168, 184)                                  -- Ё
  -- The other letters of the code page, upper and lower: Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Є Ї І Ѕ.
  local others = { 128, 144, 129, 131, 138, 154, 140, 156, 141, 157, 142, 158, 143, 159, 161, 162,
                   163, 188, 165, 180, 170, 186, 175, 191, 178, 179, 189, 190 }
  local upper, lower_others = {}, {}
  for i = 1, table.getn(others), 2 do
    letter(others[i], others[i + 1])
    table.insert(upper, string.char(others[i]))
    table.insert(lower_others, string.char(others[i + 1]))
  end
  -- The classes are written with ranges, the common letters first: a pattern class is tried
  -- entry by entry for every byte of the text, and lines may be long.
  local word = '\192-\255a-zA-Z0-9%-\168\184' .. table.concat(upper) .. table.concat(lower_others)
  -- Upper-case letters lie in A-Z, А-Я and, with other signs, 128-178 and 189: a class of a few
  -- ranges is tried far faster than one that lists each letter, and lower_byte leaves the other
  -- signs as they are.
  UPPER_CLASS = '[A-Z\128-\178\189\192-\223]'
  NONWORD_CLASS = '[^' .. word .. ']'
  GAP_CLASS = '[^' .. word .. ',:]'
end

local function lower_byte (c) return LOWER_BYTE[c] end

-- The text with its letters in lower case, Russian ones included; nothing else changes.
function lower (text)
  local result = string.gsub(tostring(text), UPPER_CLASS, lower_byte)
  return result
end

-- A word without the hyphens at its ends, or nil when nothing is left.
local function trimmed (w)
  if string.find(w, '-', 1, true) then
    w = string.gsub(w, '^%-+', '')
    w = string.gsub(w, '%-+$', '')
  end
  if w == '' then return nil end
  return w
end

-- The words of a text in lower case: punctuation and blanks separate words, a hyphen joins them.
function split_words (text)
  local words = {}
  local cleaned = string.gsub(tostring(text or ''), UPPER_CLASS, lower_byte)
  cleaned = string.gsub(cleaned, NONWORD_CLASS, ' ')
  for w in gfind(cleaned, '[^ ]+') do
    w = trimmed(w)
    if w then table.insert(words, w) end
  end
  return words
end

-- The parts of a line between the marks that end a command (. ; ! ?), each { text = the part as
-- typed, words = its words in lower case, and "," for each comma or colon }; no more than `most`
-- of them when that is given. A part longer than `longest` words keeps only those, and says so in
-- its field too_long.
function ENGINE.line_parts (text, most, longest)
  local parts = {}
  for piece in gfind(text .. '.', '([^%.;!%?]*)[%.;!%?]') do
    local cleaned = string.gsub(piece, UPPER_CLASS, lower_byte)
    cleaned = string.gsub(string.gsub(cleaned, GAP_CLASS, ' '), '[,:]', ' , ')
    local words, count = {}, 0
    local hyphens = string.find(cleaned, '-', 1, true)
    local too_long = nil
    for w in gfind(cleaned, '[^ ]+') do
      if hyphens then w = trimmed(w) end
      if w then
        if longest and count >= longest then
          too_long = true
          break
        end
        count = count + 1
        words[count] = w
      end
    end
    if count > 0 then table.insert(parts, { text = piece, words = words, too_long = too_long }) end
    if most and table.getn(parts) >= most then break end
  end
  return parts
end

-- The text with its first letter in upper case (for a reply that begins with a name).
local UPPER_BYTE = {}
for upper, lowered in pairs(LOWER_BYTE) do
  if upper ~= lowered then UPPER_BYTE[lowered] = upper end
end
function ENGINE.capital (text)
  local first = string.sub(text, 1, 1)
  local upper = UPPER_BYTE[first]
  if upper then return upper .. string.sub(text, 2) end
  return text
end

-- How a lower-case word is compared: ё counts as е, as players seldom type it.
local function fold (word)
  local result = string.gsub(word, '\184', '\229')
  return result
end

ENGINE.gfind = gfind
ENGINE.fold = fold
