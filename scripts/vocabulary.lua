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
local function claim (v, key, template, t)
  local at_start = string.sub(t, 1, 1) == '*'
  local at_end = string.sub(t, -1) == '*'
  local fixed = t
  if at_start then fixed = string.sub(fixed, 2) end
  if at_end and fixed ~= '' then fixed = string.sub(fixed, 1, -2) end
  if fixed == '' or string.find(fixed, '*', 1, true) then
    table.insert(v.problems, 'Словарь ' .. v.name .. ': шаблон «' .. template .. '» у «' .. key ..
                 '» не годится: звездочка ставится только в начале или в конце слова')
    return
  end
  local claims = v.claims[t]
  if not claims then
    claims = { text = template }
    v.claims[t] = claims
    table.insert(v.claim_order, t)
  end
  if not claims[key] then
    claims[key] = true
    table.insert(claims, key)
  end
  local length = string.len(fixed)
  if at_start and at_end then
    if not v.infix_seen[fixed] then
      v.infix_seen[fixed] = true
      table.insert(v.infix, { fixed = fixed, key = key, length = length })
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

local function rows_of_text (text)
  local rows = {}
  for line in gfind(text .. '\n', '([^\n]*)\n') do
    local row = {}
    for w in gfind(line, '[^ \r]+') do table.insert(row, w) end
    if table.getn(row) > 0 then table.insert(rows, row) end
  end
  return rows
end

-- The words of rows as they are compared: lowered and folded. Lowering one text costs far less
-- than lowering each word apart (thousands of rows are applied at once), and the two texts split
-- alike, as lowering and folding change letters one for one and never touch blanks or breaks.
local function compared_rows (rows)
  local lines = {}
  for i, row in ipairs(rows) do lines[i] = table.concat(row, '\n') end
  local words = {}
  for w in gfind(fold(lower(table.concat(lines, '\n'))) .. '\n', '([^\n]*)\n') do
    table.insert(words, w)
  end
  local folded, k = {}, 0
  for i, row in ipairs(rows) do
    local copy = {}
    for j = 1, table.getn(row) do
      k = k + 1
      copy[j] = words[k]
    end
    folded[i] = copy
  end
  if k ~= table.getn(words) then   -- a word with a line break of its own: lowered one by one
    for i, row in ipairs(rows) do
      for j, w in ipairs(row) do folded[i][j] = fold(lower(w)) end
    end
  end
  return folded
end

-- Puts a vocabulary in force under `name` (also as the global of that name) and returns it. The
-- source is the text of the data lines of a vocabulary file, or a list of rows.
function vocabulary (name, source)
  local rows = {}
  if type(source) == 'table' then
    for _, row in ipairs(source) do
      local copy = {}
      for _, w in ipairs(row) do table.insert(copy, tostring(w)) end
      if table.getn(copy) > 0 then table.insert(rows, copy) end
    end
  else
    rows = rows_of_text(tostring(source or ''))
  end
  local v = setmetatable({ name = tostring(name), rows = rows, exact = {}, prefix = {}, suffix = {},
                           infix = {}, infix_seen = {}, longest_prefix = 0, longest_suffix = 0,
                           claims = {}, claim_order = {}, problems = {}, memo = {}, memo_size = 0 },
                         VOCABULARY_CLASS)
  local folded = compared_rows(rows)
  for r, row in ipairs(rows) do
    local key, compared = row[1], folded[r]
    if string.find(key, '*', 1, true) then
      table.insert(v.problems, 'Словарь ' .. v.name .. ': ключевое слово «' .. key ..
                   '» не может быть шаблоном')
    else
      claim(v, key, key, compared[1])
      for i = 2, table.getn(row) do claim(v, key, row[i], compared[i]) end
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
  for _, t in ipairs(self.claim_order) do
    local claims = self.claims[t]
    if table.getn(claims) > 1 then
      report('Словарь ' .. self.name .. ': слово «' .. claims.text .. '» отнесено сразу к ' ..
             quoted_list(claims))
    end
  end
  return problems
end

ENGINE.NOT_VERBS = NOT_VERBS
ENGINE.MEMO_LIMIT = MEMO_LIMIT
