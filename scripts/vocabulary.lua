-- Vocabularies: a vocabulary replaces each word by a key word. It is built from rows: the key word
-- first, then its templates. A template is a plain word (exactly that word), or has * at its start
-- (any beginning), its end (any ending) or both; * may stand for nothing. The key word itself
-- counts as a plain template. When several templates match a word, a plain one wins, then the one
-- with the longest fixed part, then one with * at the end over one with * at the start over one
-- with * at both ends, then the earlier row.
--
-- The vocabulary named verbs gives the verbs (key words are method names), nouns the names of
-- objects (its key word `it` marks the pronouns), prepositions the prepositions.

local gfind, fold = ENGINE.gfind, ENGINE.fold

VOCABULARY = {}
-- Grows with every vocabulary put in force, so that what was read with the old ones is read again.
ENGINE.vocabulary_version = 0

local VOCABULARY_CLASS = {}
VOCABULARY_CLASS.__index = VOCABULARY_CLASS

-- Verb key words that cannot name a method the parser may call: the object protocol and fields.
local NOT_VERBS = {}
for _, word in ipairs({ 'uid', 'name', 'parent', 'items', 'data', 'ide_data', 'parents', 'hooks',
                        'constructor', 'create', 'add', 'remove', 'moveto', 'clone', 'check' }) do
  NOT_VERBS[word] = true
end

local MEMO_LIMIT = 4096

-- Claims a template for key; `t` is the template lowered and folded, as words are compared.
local byte, sub, find, len = string.byte, string.sub, string.find, string.len
local STAR = byte('*')

local function claim (v, key, template, t)
  local at_start = byte(t, 1) == STAR
  local at_end = byte(t, -1) == STAR
  local fixed = t
  if at_start then fixed = sub(fixed, 2) end
  if at_end and fixed ~= '' then fixed = sub(fixed, 1, -2) end
  if fixed == '' or find(fixed, '*', 1, true) then
    table.insert(v.problems, 'Словарь ' .. v.name .. ': шаблон «' .. template .. '» у «' .. key ..
                 '» не годится: звездочка ставится только в начале или в конце слова')
    return
  end
  -- Who claims each template: one key word, or a list once a second one claims it too (check
  -- reports those); most templates have one, so most need no table of their own.
  local claims = v.claims[t]
  if claims == nil then
    v.claims[t] = key
    if template ~= t then v.spelled[t] = template end
  elseif type(claims) == 'string' then
    if claims ~= key then v.claims[t] = { text = v.spelled[t] or t, claims, key } end
  else
    local known = false
    for _, k in ipairs(claims) do
      if k == key then known = true end
    end
    if not known then table.insert(claims, key) end
  end
  local length = len(fixed)
  if at_start and at_end then
    if not v.infix_seen[fixed] then
      v.infix_seen[fixed] = true
      v.infix_count = v.infix_count + 1
      v.infix[v.infix_count] = { fixed = fixed, key = key, length = length }
    end
  elseif at_start then
    if v.suffix[fixed] == nil then v.suffix[fixed] = key end
    if length > v.longest_suffix then v.longest_suffix = length end
  elseif at_end then
    if v.prefix[fixed] == nil then v.prefix[fixed] = key end
    if length > v.longest_prefix then v.longest_prefix = length end
  elseif v.exact[fixed] == nil then
    v.exact[fixed] = key
  end
end

-- The rows of a text: its words, a row per line. One pass over the whole text, as a pattern is
-- tried byte by byte; the lists are new and filled in order, so they are filled by index:
-- table.insert, which keeps a length beside each list in this build, costs more.
local function split_rows (text)
  local rows, row, count, n = {}, nil, 0, 0
  for w, gap in gfind(text, '([^ \r\n]+)([ \r\n]*)') do
    if row == nil then
      row, n, count = {}, 0, count + 1
      rows[count] = row
    end
    n = n + 1
    row[n] = w
    if gap ~= ' ' and find(gap, '\n', 1, true) then row = nil end
  end
  return rows
end

-- The rows of a vocabulary's text, and the same words lowered and folded as they are compared.
-- The text is lowered once, which costs far less than lowering each of thousands of words, and
-- cut the same way: lowering and folding change letters one for one. A text already in lower
-- case (as vocabulary files are) is cut once.
local function rows_of_text (text)
  local low = fold(lower(text))
  local rows = split_rows(text)
  if low == text then return rows, rows end
  return rows, split_rows(low)
end

-- The words of rows given as lists, lowered and folded as they are compared: joined into one
-- text to be lowered once, unless a word holds a line break of its own.
local function compared_rows (rows)
  local lines = {}
  for i, row in ipairs(rows) do lines[i] = table.concat(row, '\n') end
  local words, count = {}, 0
  for w in gfind(fold(lower(table.concat(lines, '\n'))) .. '\n', '([^\n]*)\n') do
    count = count + 1
    words[count] = w
  end
  local folded, k = {}, 0
  for i, row in ipairs(rows) do
    local copy = {}
    for j = 1, table.getn(row) do copy[j] = words[k + j] end
    k = k + table.getn(row)
    folded[i] = copy
  end
  if k ~= count then
    for i, row in ipairs(rows) do
      for j, w in ipairs(row) do folded[i][j] = fold(lower(w)) end
    end
  end
  return folded
end

-- Puts a vocabulary in force under `name` (also as the global of that name) and returns it. The
-- source is the text of the data lines of a vocabulary file, or a list of rows.
function vocabulary (name, source)
  local rows, folded = {}, nil
  if type(source) == 'table' then
    for _, row in ipairs(source) do
      local copy = {}
      for _, w in ipairs(row) do table.insert(copy, tostring(w)) end
      if table.getn(copy) > 0 then table.insert(rows, copy) end
    end
    folded = compared_rows(rows)
  else
    rows, folded = rows_of_text(tostring(source or ''))
  end
  local v = setmetatable({ name = tostring(name), rows = rows, exact = {}, prefix = {}, suffix = {},
                           infix = {}, infix_seen = {}, infix_count = 0, longest_prefix = 0, longest_suffix = 0,
                           claims = {}, spelled = {},
                           problems = {}, memo = {}, memo_size = 0 },
                         VOCABULARY_CLASS)
  for r, row in ipairs(rows) do
    local key, compared = row[1], folded[r]
    if string.find(key, '*', 1, true) then
      table.insert(v.problems, 'Словарь ' .. v.name .. ': ключевое слово «' .. key ..
                   '» не может быть шаблоном')
    else
      claim(v, key, key, compared[1])
      local i = 2
      while row[i] do
        claim(v, key, row[i], compared[i])
        i = i + 1
      end
    end
  end
  VOCABULARY[v.name] = v
  rawset(_G, v.name, v)
  ENGINE.vocabulary_version = ENGINE.vocabulary_version + 1
  return v
end

-- Puts in force the rows of a vocabulary that a project carries (postsave.lua writes them), so
-- that the project answers the same on an installation whose vocabulary files differ: its rows
-- come first and keep every word they hold; rows in force that the project lacks (words this
-- installation knows besides) follow, without the words the project's rows claim.
function project_vocabulary (name, rows)
  local merged, claimed, keys = {}, {}, {}
  for _, row in ipairs(rows) do
    local copy = {}
    for _, w in ipairs(row) do table.insert(copy, tostring(w)) end
    if table.getn(copy) > 0 then
      table.insert(merged, copy)
      keys[copy[1]] = true
    end
  end
  for _, row in ipairs(compared_rows(merged)) do
    for _, w in ipairs(row) do claimed[w] = true end
  end
  local current = VOCABULARY[tostring(name)]
  if current then
    local folded = compared_rows(current.rows)
    for r, row in ipairs(current.rows) do
      local compared = folded[r]
      if not keys[row[1]] and not claimed[compared[1]] then
        local kept = { row[1] }
        for i = 2, table.getn(row) do
          if not claimed[compared[i]] then table.insert(kept, row[i]) end
        end
        table.insert(merged, kept)
      end
    end
  end
  return vocabulary(name, merged)
end

-- The key word for a lower-case word, or nil.
function VOCABULARY_CLASS:lookup (word)
  word = fold(word)
  local known = self.memo[word]
  if known ~= nil then return known or nil end
  local key = self.exact[word]
  if key == nil then
    local best, best_length = nil, 0
    local length = string.len(word)
    local n = self.longest_prefix
    if n > length then n = length end
    while n > 0 do
      local k = self.prefix[string.sub(word, 1, n)]
      if k then
        best, best_length = k, n
        break
      end
      n = n - 1
    end
    n = self.longest_suffix
    if n > length then n = length end
    while n > best_length do
      local k = self.suffix[string.sub(word, -n)]
      if k then
        best, best_length = k, n
        break
      end
      n = n - 1
    end
    local infix = self.infix
    local count = table.getn(infix)
    for i = 1, count do
      local entry = infix[i]
      if entry.length > best_length and string.find(word, entry.fixed, 1, true) then
        best, best_length = entry.key, entry.length
      end
    end
    key = best
  end
  if self.memo_size >= MEMO_LIMIT then
    self.memo, self.memo_size = {}, 0
  end
  self.memo[word] = key or false
  self.memo_size = self.memo_size + 1
  return key
end

local function quoted_list (words)
  local quoted = {}
  for _, w in ipairs(words) do table.insert(quoted, '«' .. w .. '»') end
  local count = table.getn(quoted)
  if count == 1 then return quoted[1] end
  return table.concat(quoted, ', ', 1, count - 1) .. ' и ' .. quoted[count]
end

-- Reports with error_print what would make the parser misread the vocabulary: a word claimed by
-- two key words, a template it cannot use, a verb key word that cannot name a method. Returns the
-- number of problems; silent when there are none.
function VOCABULARY_CLASS:check ()
  local problems = 0
  local function report (message)
    problems = problems + 1
    error_print(message)
  end
  for _, message in ipairs(self.problems) do report(message) end
  if self.name == 'verbs' then
    local seen = {}
    for _, row in ipairs(self.rows) do
      local key = row[1]
      if not seen[key] then
        seen[key] = true
        if not is_lua_name(key) then
          report('Словарь verbs: ключевое слово «' .. key .. '» называет метод и должно быть ' ..
                 'именем Lua (латинские буквы, цифры и _)')
        elseif NOT_VERBS[key] then
          report('Словарь verbs: ключевое слово «' .. key .. '» занято самими объектами и ' ..
                 'не может быть действием')
        end
      end
    end
  end
  -- Words claimed by several key words, in the order the rows first name them.
  local shared = false
  for _, claims in pairs(self.claims) do
    if type(claims) == 'table' then shared = true end
  end
  if shared then
    local told = {}
    for _, row in ipairs(self.rows) do
      for _, w in ipairs(row) do
        local t = fold(lower(w))
        local claims = self.claims[t]
        if type(claims) == 'table' and not told[t] then
          told[t] = true
          report('Словарь ' .. self.name .. ': слово «' .. claims.text .. '» отнесено сразу к ' ..
                 quoted_list(claims))
        end
      end
    end
  end
  return problems
end

ENGINE.NOT_VERBS = NOT_VERBS
ENGINE.MEMO_LIMIT = MEMO_LIMIT
