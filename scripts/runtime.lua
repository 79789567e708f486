-- The engine's runtime: the object protocol, the compilation of the sources kept in ide_data, the
-- parser with its vocabularies, and the game's start and main loop. The program loads it at start
-- (startup.lua) and compile.lua copies it whole into every compiled game, so the game plays exactly
-- as the console does.
--
-- It keeps to what Lua 5.0 and 5.1 share and uses no long brackets, because a compiled game must
-- also run under a stock Lua 5.1 (double numbers, no nested long strings, no remembered lengths).
--
-- ## The object protocol
--
-- Every game object is a table held in the global named by its uid. Its own fields are data only:
--   uid, name, parent, items, data, ide_data, parents, hooks, constructor
-- `items` lists the objects owned by this one together with references to objects owned
-- elsewhere; an owned entry is one whose `parent` is this object. `parents` lists the objects that
-- hold this one as a reference (nil while there are none). The methods live in OBJECT, which is
-- also the metatable of every object.
--
-- An object is alive while its global holds it: removing an object clears the globals of its
-- subtree, and world:check() treats an object whose global was taken away as removed.
--
-- The scripts keep to what Lua 5.0 and 5.1 share. The lists are grown and shrunk only with
-- table.insert and table.remove, because in this build table.getn remembers the length those two
-- set, so a list written by plain assignment afterwards would read with a stale length.

-- The class of the previous load, so that loading again can forget the previous world.
local previous_class = rawget(_G, 'OBJECT')

OBJECT = {}
OBJECT.__index = OBJECT

local KEYWORDS = {}
for _, word in ipairs({ 'and', 'break', 'do', 'else', 'elseif', 'end', 'false', 'for', 'function',
                        'if', 'in', 'local', 'nil', 'not', 'or', 'repeat', 'return', 'then', 'true',
                        'until', 'while' }) do
  KEYWORDS[word] = true
end

-- Whether a value can stand as a Lua name in generated text: a field, a global, a method.
function is_lua_name (value)
  return type(value) == 'string' and string.find(value, '^[%a_][%w_]*$') ~= nil and
         not KEYWORDS[value]
end

local function is_object (value)
  return type(value) == 'table' and getmetatable(value) == OBJECT
end

local function is_alive (value)
  if not is_object(value) then return false end
  local uid = rawget(value, 'uid')
  return type(uid) == 'string' and rawget(_G, uid) == value
end

-- How a value is named in messages: an object by its uid in quotes, anything else by its type.
local function describe (value)
  if type(value) == 'table' and type(rawget(value, 'uid')) == 'string' then
    return '«' .. value.uid .. '»'
  end
  return type(value)
end

-- Raises an error on behalf of the caller of the public method that calls this.
local function fail (message)
  error(message, 3)
end

-- Why `self` cannot have method `method` called on it, or nil when it can.
local function self_problem (self, method)
  if not is_object(self) then
    return method .. ' вызван не для объекта (пишите через двоеточие: объект:' .. method .. '(...))'
  end
  if not is_alive(self) then
    return 'Объект ' .. describe(self) .. ' удален'
  end
  return nil
end

-- Why `value` cannot be used as object `role`, or nil when it can.
local function object_problem (value, role)
  if value == nil then return 'Не указан ' .. role end
  if not is_object(value) then return 'Вместо объекта (' .. role .. ') передано значение типа ' .. type(value) end
  if not is_alive(value) then return 'Объект ' .. describe(value) .. ' удален' end
  return nil
end

-- Why `uid` cannot name a new object, or nil when it can.
local function uid_problem (uid)
  if type(uid) ~= 'string' then
    return 'Идентификатор объекта должен быть строкой, а не ' .. type(uid)
  end
  if not string.find(uid, '^[%a_][%w_]*$') or KEYWORDS[uid] then
    return 'Идентификатор «' .. uid .. '» не годится в имена переменных Lua'
  end
  local holder = rawget(_G, uid)
  if is_object(holder) then
    return 'Объект «' .. uid .. '» уже существует'
  end
  if holder ~= nil then
    return 'Имя «' .. uid .. '» уже занято глобальной переменной (' .. type(holder) .. ')'
  end
  return nil
end

local function index_of (list, value)
  local count = table.getn(list)
  for i = 1, count do
    if list[i] == value then return i end
  end
  return nil
end

-- Removes the first occurrence of value from list; true when there was one.
local function unlist (list, value)
  if type(list) ~= 'table' then return false end
  local at = index_of(list, value)
  if at then table.remove(list, at) end
  return at ~= nil
end

-- A shallow copy of a list, to walk while the original changes.
local function copy_list (list)
  local copy = {}
  if type(list) == 'table' then
    local count = table.getn(list)
    for i = 1, count do table.insert(copy, list[i]) end
  end
  return copy
end

-- Takes `holder` out of obj.parents; parents becomes nil when empty.
local function drop_parent (obj, holder)
  local parents = rawget(obj, 'parents')
  if type(parents) ~= 'table' then return end
  unlist(parents, holder)
  if table.getn(parents) == 0 then obj.parents = nil end
end

local function add_parent (obj, holder)
  local parents = rawget(obj, 'parents')
  if type(parents) ~= 'table' then
    parents = {}
    obj.parents = parents
  end
  if not index_of(parents, holder) then table.insert(parents, holder) end
end

-- The subtree of obj by ownership, obj first, owners before what they own.
local function subtree (obj)
  local list, seen = {}, {}
  local function visit (o)
    seen[o] = true
    table.insert(list, o)
    if type(o.items) ~= 'table' then return end
    local count = table.getn(o.items)
    for i = 1, count do
      local e = o.items[i]
      if is_object(e) and rawget(e, 'parent') == o and not seen[e] then visit(e) end
    end
  end
  visit(obj)
  return list
end

local function new_object (uid, name, parent)
  local obj = setmetatable({ uid = uid, name = name, parent = parent, items = {}, data = {},
                             ide_data = {} }, OBJECT)
  rawset(_G, uid, obj)
  return obj
end

-- The world's items list as last seen. A project file begins by giving the world a new list
-- ("world.items = {}"): what the old list held then belongs to no world any more. Its globals are
-- cleared the next time an object is created, listed or the world checked, so the file can
-- create the same uids again and world:check() brings nothing of the old world back.
local known_world, known_items = nil, nil

local function forget_subtree (o, keep, seen)
  if not is_object(o) or keep[o] or seen[o] then return end
  seen[o] = true
  local uid = rawget(o, 'uid')
  if type(uid) == 'string' and rawget(_G, uid) == o then rawset(_G, uid, nil) end
  local items = rawget(o, 'items')
  if type(items) ~= 'table' then return end
  for _, e in pairs(items) do
    if type(e) == 'table' and rawget(e, 'parent') == o then forget_subtree(e, keep, seen) end
  end
end

local function notice_reset ()
  local w = rawget(_G, 'world')
  if not is_object(w) then return end
  local items = rawget(w, 'items')
  if w == known_world and items == known_items then return end
  if w == known_world and type(known_items) == 'table' then
    local keep = {}
    if type(items) == 'table' then
      for _, e in pairs(items) do
        if type(e) == 'table' then keep[e] = true end
      end
    end
    local seen = {}
    for _, e in pairs(known_items) do
      if type(e) == 'table' and rawget(e, 'parent') == w then forget_subtree(e, keep, seen) end
    end
  end
  known_world, known_items = w, items
end

-- A deep copy of value. Game objects are not copied: one in `map` becomes its mapped copy, any
-- other stays itself. Tables met twice are copied once, so cycles and sharing survive.
local function copy_value (value, memo, map)
  if type(value) ~= 'table' then return value end
  if is_object(value) then return map[value] or value end
  local done = memo[value]
  if done then return done end
  local copy = {}
  memo[value] = copy
  for k, v in pairs(value) do
    rawset(copy, copy_value(k, memo, map), copy_value(v, memo, map))
  end
  return setmetatable(copy, getmetatable(value))
end

-- uid without its trailing digits: the stem that clones number from.
local function uid_stem (uid)
  local _, _, stem = string.find(uid, '^(.-)%d*$')
  if stem == nil or stem == '' then stem = uid end
  return stem
end

-- stem followed by the first number that makes a free uid not yet in `taken`.
local function free_uid (stem, taken)
  local n = 1
  while true do
    local candidate = stem .. n
    if rawget(_G, candidate) == nil and not taken[candidate] then return candidate end
    n = n + 1
  end
end

-- Creates object uid owned by owner; name defaults to the uid.
function OBJECT.create (owner, uid, name)
  notice_reset()
  local problem = self_problem(owner, 'create') or uid_problem(uid)
  if problem then fail(problem) end
  if name == nil then
    name = uid
  elseif type(name) ~= 'string' then
    fail('Имя объекта «' .. uid .. '» должно быть строкой, а не ' .. type(name))
  end
  local obj = new_object(uid, name, owner)
  table.insert(owner.items, obj)
  return obj
end

-- owner:add(obj) lists obj in owner.items as a reference; owner:add(f) adds f to owner.hooks.
-- Adding what is already listed changes nothing.
function OBJECT.add (owner, item)
  notice_reset()
  local problem = self_problem(owner, 'add')
  if problem then fail(problem) end
  if type(item) == 'function' then
    local hooks = owner.hooks
    if type(hooks) ~= 'table' then
      hooks = {}
      owner.hooks = hooks
    end
    if not index_of(hooks, item) then table.insert(hooks, item) end
    return item
  end
  problem = object_problem(item, 'объект, который нужно добавить в ' .. describe(owner))
  if problem then fail(problem) end
  if item == owner then
    fail('Объект ' .. describe(owner) .. ' не может ссылаться на самого себя')
  end
  if not index_of(owner.items, item) then
    table.insert(owner.items, item)
    add_parent(item, owner)
  end
  return item
end

local function remove_object (obj)
  local problem = self_problem(obj, 'remove')
  if problem then return problem end
  local owner = rawget(obj, 'parent')
  if owner == nil then
    return 'Объект ' .. describe(obj) .. ' — корень мира, его нельзя удалить'
  end
  local members = subtree(obj)
  for _, o in ipairs(members) do
    -- Unlisted everywhere it is referenced, the removed subtree included.
    for _, holder in ipairs(copy_list(rawget(o, 'parents'))) do
      if type(holder) == 'table' then unlist(holder.items, o) end
    end
    o.parents = nil
    -- The references it holds go, so the objects it pointed at forget it.
    for _, e in ipairs(copy_list(o.items)) do
      if type(e) ~= 'table' or rawget(e, 'parent') ~= o then
        unlist(o.items, e)
        if is_object(e) then drop_parent(e, o) end
      end
    end
  end
  for _, o in ipairs(members) do
    if rawget(_G, o.uid) == o then rawset(_G, o.uid, nil) end
  end
  if type(owner) == 'table' then unlist(owner.items, obj) end
  obj.parent = nil
  return nil
end

-- obj:remove() removes obj and its subtree from the world and clears their globals.
-- owner:remove(obj) unlists a reference to obj; owner:remove(f) takes catcher f out of hooks.
-- The argument count tells the two apart, so that owner:remove(x) with an x that happens to be nil
-- is an error rather than the removal of owner. (`arg` is how both 5.0 and 5.1 count them.)
function OBJECT.remove (self, ...)
  if arg.n == 0 then
    local problem = remove_object(self)
    if problem then fail(problem) end
    return nil
  end
  local item = arg[1]
  if not is_object(self) then
    fail('remove вызван не для объекта (пишите через двоеточие: объект:remove(...))')
  end
  if type(item) == 'function' then
    local hooks = self.hooks
    if type(hooks) == 'table' then
      unlist(hooks, item)
      if table.getn(hooks) == 0 then self.hooks = nil end
    end
    return nil
  end
  if item == nil then
    fail('Не указано, что убрать из списка ' .. describe(self) ..
         '; чтобы удалить сам объект, вызовите ' .. self.uid .. ':remove()')
  end
  if type(item) ~= 'table' then
    fail('Из списка ' .. describe(self) .. ' можно убрать объект или функцию, а не ' .. type(item))
  end
  if rawget(item, 'parent') == self then
    fail('Объект ' .. describe(item) .. ' принадлежит ' .. describe(self) ..
         ', а не просто указан в его списке; удалить его можно через ' .. item.uid ..
         ':remove(), перенести — через ' .. item.uid .. ':moveto(...)')
  end
  if unlist(self.items, item) and is_object(item) then drop_parent(item, self) end
  return nil
end

-- Makes owner the owner of obj. Refuses to move the root, or an object into its own subtree.
function OBJECT.moveto (obj, owner)
  local problem = self_problem(obj, 'moveto') or
                  object_problem(owner, 'объект, в который нужно перенести ' .. describe(obj))
  if problem then fail(problem) end
  local old = rawget(obj, 'parent')
  if old == nil then
    fail('Объект ' .. describe(obj) .. ' — корень мира, его нельзя перенести')
  end
  if owner == obj then
    fail('Нельзя перенести ' .. describe(obj) .. ' в самого себя')
  end
  local seen = {}
  local o = rawget(owner, 'parent')
  while type(o) == 'table' and not seen[o] do
    if o == obj then
      fail('Нельзя перенести ' .. describe(obj) .. ' в ' .. describe(owner) .. ': ' ..
           describe(owner) .. ' находится внутри ' .. describe(obj))
    end
    seen[o] = true
    o = rawget(o, 'parent')
  end
  if old == owner then return obj end
  if type(old) == 'table' then unlist(old.items, obj) end
  if index_of(owner.items, obj) then
    -- It was a reference there; the same entry now stands for ownership.
    drop_parent(obj, owner)
  else
    table.insert(owner.items, obj)
  end
  obj.parent = owner
  return obj
end

-- Copies obj with its subtree under owner. The copy of obj gets uid (or a free one numbered from
-- obj's uid when uid is nil); every other copy gets its original's uid stem with the first free
-- number. References between copied objects lead to the copies, references to anything outside
-- stay with the same outside objects.
function OBJECT.clone (owner, obj, uid)
  local problem = self_problem(owner, 'clone') or
                  object_problem(obj, 'объект, который нужно скопировать')
  if problem then fail(problem) end
  local taken = {}
  if uid == nil then
    uid = free_uid(uid_stem(obj.uid), taken)
  else
    problem = uid_problem(uid)
    if problem then fail(problem) end
  end
  taken[uid] = true

  local originals = subtree(obj)
  local map = {}
  for _, o in ipairs(originals) do
    local copy = setmetatable({}, OBJECT)
    map[o] = copy
    if o == obj then
      copy.uid = uid
    else
      copy.uid = free_uid(uid_stem(o.uid), taken)
      taken[copy.uid] = true
    end
  end

  local memo = {}
  for _, o in ipairs(originals) do
    local copy = map[o]
    for k, v in pairs(o) do
      if k ~= 'uid' and k ~= 'parent' and k ~= 'items' and k ~= 'parents' then
        rawset(copy, copy_value(k, memo, map), copy_value(v, memo, map))
      end
    end
    if o == obj then copy.parent = owner else copy.parent = map[rawget(o, 'parent')] end
    copy.items = {}
  end
  for _, o in ipairs(originals) do
    local copy = map[o]
    local count = table.getn(o.items)
    for i = 1, count do
      local e = o.items[i]
      if map[e] then
        table.insert(copy.items, map[e])
        if rawget(e, 'parent') ~= o then add_parent(map[e], copy) end
      elseif is_alive(e) then
        table.insert(copy.items, e)
        add_parent(e, copy)
      end
    end
  end

  for _, o in ipairs(originals) do
    rawset(_G, map[o].uid, map[o])
  end
  table.insert(owner.items, map[obj])
  return map[obj]
end

-- The integer keys of a list: its largest (found by walking, so that a length table.getn
-- remembers wrongly cannot hide entries) and the keys that are not positive integers.
local function scan_list (list)
  local top, stray = 0, {}
  for k in pairs(list) do
    if type(k) == 'number' and k >= 1 and math.floor(k) == k then
      if k > top then top = k end
    else
      table.insert(stray, k)
    end
  end
  return top, stray
end

-- Writes values over list in place, so that table.getn agrees with it afterwards.
local function rewrite_list (list, values, old_top)
  local count = table.getn(values)
  for i = 1, count do list[i] = values[i] end
  for i = count + 1, old_top do list[i] = nil end
  if table.getn(list) ~= count and table.setn then pcall(table.setn, list, count) end
end

local function in_list (list, value)
  return type(list) == 'table' and index_of(list, value) ~= nil
end

-- Whether the world under root is sound, in one pass that changes nothing: every list holds only
-- live objects under the keys 1..n, each object is owned exactly once and reached from root by
-- ownership, `parents` names exactly the objects that list it without owning it, the fields have
-- their types, and no global holds an object the tree does not reach. The check runs before
-- every rebuild of the object tree, so the common case, a sound world, must cost little; anything
-- doubtful is left to the full repair.
local function world_is_sound (root)
  local rawget, type, getmetatable, next = rawget, type, getmetatable, next
  local G, class = _G, OBJECT
  if rawget(root, 'parent') ~= nil or rawget(G, rawget(root, 'uid')) ~= root then return false end
  local owned = { [root] = true }
  local listers = {}
  local stack, depth = { root }, 1
  while depth > 0 do
    local o = stack[depth]
    stack[depth] = nil
    depth = depth - 1
    local items = rawget(o, 'items')
    if type(items) ~= 'table' or type(rawget(o, 'name')) ~= 'string' or
       type(rawget(o, 'data')) ~= 'table' or type(rawget(o, 'ide_data')) ~= 'table' then
      return false
    end
    local hooks = rawget(o, 'hooks')
    if hooks ~= nil and type(hooks) ~= 'table' then return false end
    local count = 0
    for k, e in next, items do
      count = count + 1
      if type(e) ~= 'table' or getmetatable(e) ~= class or rawget(G, rawget(e, 'uid')) ~= e then
        return false
      end
      if rawget(e, 'parent') == o then
        if owned[e] then return false end
        owned[e] = true
        depth = depth + 1
        stack[depth] = e
      else
        local by = listers[e]
        if by == nil then
          by = {}
          listers[e] = by
        elseif by[o] then
          return false
        end
        by[o] = true
      end
    end
    if count ~= table.getn(items) or (count > 0 and items[count] == nil) then return false end
  end
  for e, by in next, listers do
    if not owned[e] then return false end
    local parents = rawget(e, 'parents')
    if type(parents) ~= 'table' then return false end
    local count, seen = 0, {}
    for _, p in next, parents do
      if not by[p] or seen[p] then return false end
      seen[p] = true
      count = count + 1
    end
    local want = 0
    for _ in next, by do want = want + 1 end
    if count ~= want or count ~= table.getn(parents) then return false end
  end
  for o in next, owned do
    if listers[o] == nil and rawget(o, 'parents') ~= nil then return false end
  end
  for k, v in next, G do
    if type(v) == 'table' and getmetatable(v) == class and rawget(v, 'uid') == k and not owned[v] then
      return false
    end
  end
  return true
end

-- Finds and repairs whatever would break a walk of the tree, printing one line for each repair;
-- returns the number of repairs. The lists are taken as the truth and the links from objects
-- back to them (parent, parents) are made to agree with the lists.
function OBJECT.check (self)
  if not is_object(self) then
    error('check вызван не для объекта (пишите через двоеточие: world:check())', 2)
  end
  notice_reset()
  if self == rawget(_G, 'world') and world_is_sound(self) then return 0 end
  local repairs = 0
  local function report (message)
    repairs = repairs + 1
    print(message)
  end

  -- The root of the tree that self belongs to: world itself when called for world, whatever its
  -- parent link says.
  local root, climbed = self, {}
  if rawget(_G, 'world') ~= self then
    while is_object(rawget(root, 'parent')) and not climbed[root.parent] do
      climbed[root] = true
      root = root.parent
    end
  end
  if type(rawget(root, 'uid')) ~= 'string' then
    error('У корня мира нет идентификатора', 2)
  end
  if rawget(root, 'parent') ~= nil then
    root.parent = nil
    report('У корня мира «' .. root.uid .. '» убрана ссылка на владельца')
  end
  if rawget(_G, root.uid) ~= root then
    rawset(_G, root.uid, root)
    report('Глобальная переменная «' .. root.uid .. '» снова хранит корень мира')
  end

  local function check_fields (o)
    local uid = '«' .. o.uid .. '»'
    if type(rawget(o, 'items')) ~= 'table' then
      o.items = {}
      report('У объекта ' .. uid .. ' восстановлен список items')
    end
    if type(rawget(o, 'name')) ~= 'string' then
      o.name = o.uid
      report('У объекта ' .. uid .. ' восстановлено имя')
    end
    if type(rawget(o, 'data')) ~= 'table' then
      o.data = {}
      report('У объекта ' .. uid .. ' восстановлена таблица data')
    end
    if type(rawget(o, 'ide_data')) ~= 'table' then
      o.ide_data = {}
      report('У объекта ' .. uid .. ' восстановлена таблица ide_data')
    end
    local hooks = rawget(o, 'hooks')
    if hooks ~= nil and type(hooks) ~= 'table' then
      o.hooks = nil
      report('У объекта ' .. uid .. ' убрано поле hooks, которое не было списком')
    end
  end

  -- 1. What the lists reach from the root, through live objects only.
  local reached = {}
  local function reach (o)
    reached[o] = true
    check_fields(o)
    local top = scan_list(o.items)
    for i = 1, top do
      local e = o.items[i]
      if is_alive(e) and not reached[e] then reach(e) end
    end
  end
  reach(root)

  -- Live objects that nothing reaches go back whole, each lost subtree into the nearest object up
  -- its parent links that is in the tree (usually its own owner), else into the root.
  local lost, is_lost = {}, {}
  for k, v in pairs(_G) do
    if is_object(v) and rawget(v, 'uid') == k and not reached[v] then
      table.insert(lost, v)
      is_lost[v] = true
    end
  end
  table.sort(lost, function (a, b) return a.uid < b.uid end)
  for _, v in ipairs(lost) do
    if not reached[v] then
      local top, seen = v, {}
      seen[v] = true
      while is_lost[rawget(top, 'parent')] and not reached[top.parent] and not seen[top.parent] do
        top = top.parent
        seen[top] = true
      end
      local old = rawget(top, 'parent')
      local owner = old
      while type(owner) == 'table' and not reached[owner] and not seen[owner] do
        seen[owner] = true
        owner = rawget(owner, 'parent')
      end
      if not reached[owner] then owner = root end
      if owner == old then
        report('Объект «' .. top.uid .. '» возвращен в список своего владельца «' .. owner.uid .. '»')
      elseif is_object(old) and not is_alive(old) then
        report('Объект «' .. top.uid .. '» перенесен в «' .. owner.uid .. '», потому что его ' ..
               'владелец ' .. describe(old) .. ' удален')
      else
        report('Объект «' .. top.uid .. '» не был в дереве; он помещен в «' .. owner.uid .. '»')
      end
      top.parent = owner
      if not index_of(owner.items, top) then table.insert(owner.items, top) end
      reach(top)
    end
  end

  -- 2. Every list keeps only live objects, each once; who lists whom is noted in walk order.
  local visited, order, listers = {}, {}, {}
  local function visit (c)
    visited[c] = true
    table.insert(order, c)
    local list = c.items
    local top, stray = scan_list(list)
    for _, k in ipairs(stray) do
      list[k] = nil
      report('Из списка объекта «' .. c.uid .. '» убран лишний ключ ' .. tostring(k))
    end
    local kept, listed, changed = {}, {}, false
    for i = 1, top do
      local e = list[i]
      local why = nil
      if not is_object(e) or type(rawget(e, 'uid')) ~= 'string' then
        why = 'Из списка объекта «' .. c.uid .. '» убран элемент, который не является объектом (' ..
              type(e) .. ')'
      elseif listed[e] then
        why = 'Из списка объекта «' .. c.uid .. '» убран повтор объекта «' .. e.uid .. '»'
      elseif rawget(_G, e.uid) ~= e then
        if rawget(e, 'parent') == c then
          why = 'Объект «' .. e.uid .. '» больше не хранится в своей глобальной переменной; ' ..
                'он убран из списка объекта «' .. c.uid .. '»'
        else
          why = 'Из списка объекта «' .. c.uid .. '» убрана ссылка на удаленный объект «' ..
                e.uid .. '»'
        end
      end
      if why then
        report(why)
        changed = true
      else
        listed[e] = true
        table.insert(kept, e)
        listers[e] = listers[e] or {}
        table.insert(listers[e], c)
      end
    end
    if changed then
      rewrite_list(list, kept, top)
    elseif table.getn(list) ~= top and table.setn then
      pcall(table.setn, list, top)   -- entries written past the length table.getn remembered
    end
    for _, e in ipairs(kept) do
      if not visited[e] then visit(e) end
    end
  end
  visit(root)

  -- The first of e's listers that `allowed` accepts, preferring one that e.parents does not name.
  local function pick (e, allowed)
    local first = nil
    for _, c in ipairs(listers[e]) do
      if allowed(c) then
        if not in_list(rawget(e, 'parents'), c) then return c end
        first = first or c
      end
    end
    return first
  end
  local function any () return true end

  -- 3. An object's owner must list it; among several listers the owner is the one that e.parents
  -- does not name as a referrer.
  for _, e in ipairs(order) do
    if e ~= root then
      local old = rawget(e, 'parent')
      local owner = old
      local best = pick(e, any)
      if not in_list(listers[e], old) then
        owner = best
      elseif in_list(rawget(e, 'parents'), old) and not in_list(rawget(e, 'parents'), best) then
        owner = best
      end
      if owner ~= old then
        e.parent = owner
        report('У объекта «' .. e.uid .. '» исправлен владелец: «' .. owner.uid .. '» вместо ' ..
               describe(old))
      end
    end
  end

  -- 4. Owners that own each other in a ring, apart from the root: the first of the ring in walk
  -- order goes to a lister that the root's ownership reaches.
  local owned = {}
  local function own (c)
    owned[c] = true
    local count = table.getn(c.items)
    for i = 1, count do
      local e = c.items[i]
      if rawget(e, 'parent') == c and not owned[e] then own(e) end
    end
  end
  own(root)
  for _, e in ipairs(order) do
    if not owned[e] then
      local old = rawget(e, 'parent')
      local owner = pick(e, function (c) return owned[c] end)
      if owner == nil then
        owner = root
        table.insert(root.items, e)
      end
      e.parent = owner
      report('У объекта «' .. e.uid .. '» исправлен владелец: «' .. owner.uid .. '» вместо ' ..
             describe(old))
      own(e)
    end
  end

  -- 5. parents names exactly the objects that list the object without owning it.
  for _, o in ipairs(order) do
    local want, wanted = {}, {}
    for _, c in ipairs(listers[o] or {}) do
      if c ~= rawget(o, 'parent') then
        table.insert(want, c)
        wanted[c] = true
      end
    end
    local current = rawget(o, 'parents')
    local fixed, have, changed = {}, {}, false
    if current ~= nil and type(current) ~= 'table' then
      report('У объекта «' .. o.uid .. '» поле parents было не списком (' .. type(current) .. ')')
      current = nil
      changed = true
    end
    if current then
      local top, stray = scan_list(current)
      for i = 1, top do
        local p = current[i]
        if wanted[p] and not have[p] then
          table.insert(fixed, p)
          have[p] = true
        else
          report('Из parents объекта «' .. o.uid .. '» убрана неверная запись ' .. describe(p))
          changed = true
        end
      end
      for _, k in ipairs(stray) do
        report('Из parents объекта «' .. o.uid .. '» убран лишний ключ ' .. tostring(k))
        changed = true
      end
    end
    for _, r in ipairs(want) do
      if not have[r] then
        table.insert(fixed, r)
        report('В parents объекта «' .. o.uid .. '» добавлен «' .. r.uid .. '»')
        changed = true
      end
    end
    if table.getn(fixed) == 0 then
      o.parents = nil
    elseif changed then
      o.parents = fixed
    end
  end
  return repairs
end

-- A deep copy of t (values that are not tables come back as they are). Shared tables and cycles
-- are copied once; game objects inside t are not copied but shared, as copying one needs a new
-- uid and an owner: that is owner:clone(obj, uid).
function clone (t)
  if is_object(t) then
    error('Объект ' .. describe(t) .. ' копируется через владелец:clone(объект, uid)', 2)
  end
  return copy_value(t, {}, {})
end

-- A fresh root object held in the global `world`.
function new_world (name)
  local root = setmetatable({ uid = 'world', name = name or 'world', items = {}, data = {},
                              ide_data = {} }, OBJECT)
  world = root
  return root
end

-- Loading the protocol again forgets the previous world: the globals of everything the old world
-- lists, and every global that holds an object of the previous load.
do
  local seen = {}
  local function forget (o)
    if type(o) ~= 'table' or seen[o] then return end
    seen[o] = true
    local uid = rawget(o, 'uid')
    if type(uid) == 'string' and rawget(_G, uid) == o then rawset(_G, uid, nil) end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      for _, e in pairs(items) do forget(e) end
    end
  end
  forget(rawget(_G, 'world'))
  if previous_class ~= nil then
    for k, v in pairs(_G) do
      if type(v) == 'table' and getmetatable(v) == previous_class then rawset(_G, k, nil) end
    end
  end
end

-- ## Sources
--
-- What the author types for an object is kept as text in its ide_data, one entry per property, and
-- compiled into the live object: the key "constructor" becomes function uid:constructor (), the key
-- "hooks" the object's one event catcher, any other key a method function uid:key (event). Each
-- definition is compiled and run on its own, so one source that fails is reported with its object
-- and property and the others still load. Constructors are defined, not run: the data saved with a
-- project already holds what they made.

-- The Lua text that defines property `key` of object `uid` from its source, or nil when the key
-- cannot name a method.
local function definition_pieces (uid, key, source)
  if key == 'constructor' then
    return { 'function ', uid, ':constructor ()\n', source, '\nend' }
  elseif key == 'hooks' then
    return { uid, '.hooks = nil; ', uid, ':add (function (event)\n', source, '\nend)' }
  elseif type(key) == 'string' and string.find(key, '^[%a_][%w_]*$') and not KEYWORDS[key] then
    return { 'function ', uid, ':', key, '(event)\n', source, '\nend' }
  end
  return nil
end

function source_definition (uid, key, source)
  local pieces = definition_pieces(uid, key, source)
  return pieces and table.concat(pieces)
end

-- The compiled definition of a property, or nil and why not. Where the interpreter reads a chunk
-- piece by piece, the pieces are handed over as they are: thousands of nearly equal definition
-- texts made into strings would crowd the interpreter's string table.
function compile_source (uid, key, source)
  local pieces = definition_pieces(uid, key, source)
  if not pieces then return nil, 'это не имя метода' end
  local name = '=' .. uid .. '.' .. tostring(key)
  if load then
    local i = 0
    return load(function ()
      i = i + 1
      return pieces[i]
    end, name)
  end
  return loadstring(table.concat(pieces), name)
end

local function report_source (uid, key, message)
  error_print('Объект «' .. uid .. '», свойство «' .. tostring(key) .. '»: ' .. tostring(message))
end

-- The keys of a table in a fixed order, so that compiling twice does the same thing.
local function sorted_keys (t)
  local keys = {}
  for k in pairs(t) do table.insert(keys, k) end
  table.sort(keys, function (a, b) return tostring(a) < tostring(b) end)
  return keys
end

-- Compiles the sources of one object into it; returns how many failed.
function compile_object (o)
  local uid, sources = rawget(o, 'uid'), rawget(o, 'ide_data')
  if type(uid) ~= 'string' or type(sources) ~= 'table' then return 0 end
  local failed = 0
  for _, key in ipairs(sorted_keys(sources)) do
    local source = sources[key]
    if type(source) == 'string' or type(source) == 'number' then
      local chunk, problem = compile_source(uid, key, tostring(source))
      if chunk then
        local ran, why = pcall(chunk)
        if not ran then problem = why end
      end
      if problem then
        failed = failed + 1
        report_source(uid, key, problem)
      end
    end
  end
  return failed
end

-- Compiles the sources of every object of the world, owners before what they own.
function compile_world ()
  -- Thousands of small chunks are compiled in a row; collecting garbage while they are made
  -- would sweep the whole world again and again, so it waits until they are all done.
  local paused = pcall(collectgarbage, 'stop')
  local failed, seen = 0, {}
  local function visit (o)
    if type(o) ~= 'table' or seen[o] then return end
    seen[o] = true
    if is_alive(o) then failed = failed + compile_object(o) end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      local count = table.getn(items)
      for i = 1, count do
        local e = items[i]
        if type(e) == 'table' and rawget(e, 'parent') == o then visit(e) end
      end
    end
  end
  visit(rawget(_G, 'world'))
  if paused then collectgarbage('restart') end
  return failed
end

-- ## Text
--
-- The player's words are Windows-1251 bytes. Letter case is folded here, by table, because the C
-- library's idea of letters does not know Cyrillic.

local gfind = string.gmatch or string.gfind

local LOWER_BYTE = {}  -- every byte: its lower-case letter, or itself
local UPPER_CLASS     -- a pattern class of the upper-case letters
local NONWORD_CLASS   -- a pattern class of the bytes that separate words
do
  for b = 0, 255 do LOWER_BYTE[string.char(b)] = string.char(b) end
  local upper, word = {}, {}
  local function letter (u, l)
    LOWER_BYTE[string.char(u)] = string.char(l)
    word[u], word[l] = true, true
    table.insert(upper, string.char(u))
  end
  for i = 0, 25 do letter(65 + i, 97 + i) end       -- A-Z
  for i = 0, 31 do letter(192 + i, 224 + i) end     -- А-Я
  letter(168, 184)                                  -- Ё
  -- The other letters of the code page, upper and lower: Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Є Ї І Ѕ.
  local others = { 128, 144, 129, 131, 138, 154, 140, 156, 141, 157, 142, 158, 143, 159, 161, 162,
                   163, 188, 165, 180, 170, 186, 175, 191, 178, 179, 189, 190 }
  for i = 1, table.getn(others), 2 do letter(others[i], others[i + 1]) end
  for b = 48, 57 do word[b] = true end
  word[45] = true                                   -- the hyphen
  -- Separators: NUL as %z, ASCII punctuation escaped with %, the rest as they are.
  local separators = { '%z' }
  for b = 1, 255 do
    if not word[b] then
      local c = string.char(b)
      if b < 128 and string.find(c, '%p') then c = '%' .. c end
      table.insert(separators, c)
    end
  end
  UPPER_CLASS = '[' .. table.concat(upper) .. ']'
  NONWORD_CLASS = '[' .. table.concat(separators) .. ']'
end

local function lower_byte (c) return LOWER_BYTE[c] end

-- The text with its letters in lower case, Russian ones included; nothing else changes.
function lower (text)
  local result = string.gsub(tostring(text), UPPER_CLASS, lower_byte)
  return result
end

-- The words of a text in lower case: punctuation and blanks separate words, a hyphen joins them.
function split_words (text)
  local words = {}
  local cleaned = string.gsub(tostring(text or ''), UPPER_CLASS, lower_byte)
  cleaned = string.gsub(cleaned, NONWORD_CLASS, ' ')
  for w in gfind(cleaned, '[^ ]+') do
    if string.find(w, '-', 1, true) then
      w = string.gsub(w, '^%-+', '')
      w = string.gsub(w, '%-+$', '')
    end
    if w ~= '' then table.insert(words, w) end
  end
  return words
end

-- How a lower-case word is compared: ё counts as е, as players seldom type it.
local function fold (word)
  local result = string.gsub(word, '\184', '\229')
  return result
end

-- ## Vocabularies
--
-- A vocabulary replaces each word by a key word. It is built from rows: the key word first, then
-- its templates. A template is a plain word (exactly that word), or has * at its start (any
-- beginning), its end (any ending) or both; * may stand for nothing. The key word itself counts as
-- a plain template. When several templates match a word, a plain one wins, then the one with the
-- longest fixed part, then one with * at the end over one with * at the start over one with * at
-- both ends, then the earlier row.
--
-- The vocabulary named verbs gives the verbs (key words are method names), nouns the names of
-- objects (its key word `it` marks the pronouns), prepositions the prepositions.

VOCABULARY = {}
local vocabulary_version = 0

local VOCABULARY_CLASS = {}
VOCABULARY_CLASS.__index = VOCABULARY_CLASS

-- Verb key words that cannot name a method the parser may call: the object protocol and fields.
local NOT_VERBS = {}
for _, word in ipairs({ 'uid', 'name', 'parent', 'items', 'data', 'ide_data', 'parents', 'hooks',
                        'constructor', 'create', 'add', 'remove', 'moveto', 'clone', 'check' }) do
  NOT_VERBS[word] = true
end

local MEMO_LIMIT = 4096

local function claim (v, key, template)
  local t = fold(lower(template))
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
  for _, row in ipairs(rows) do
    local key = row[1]
    if string.find(key, '*', 1, true) then
      table.insert(v.problems, 'Словарь ' .. v.name .. ': ключевое слово «' .. key ..
                   '» не может быть шаблоном')
    else
      claim(v, key, key)
      for i = 2, table.getn(row) do claim(v, key, row[i]) end
    end
  end
  VOCABULARY[v.name] = v
  rawset(_G, v.name, v)
  vocabulary_version = vocabulary_version + 1
  return v
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
        if not string.find(key, '^[%a_][%w_]*$') or KEYWORDS[key] then
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

-- ## The parser
--
-- parse (text) reads one line of the player's: its words become key words through the
-- vocabularies, and the sentence is understood by this grammar:
--   verb [preposition] objects [preposition objects]
-- where objects are names joined by "и", or a pronoun for what the last sentence named; a second
-- object may also follow the first without a preposition (отпереть дверь ключом). The verb
-- "again" repeats the last sentence understood. Objects are looked for in scope (see scope below)
-- by their display names: every key word typed must be a key word of the name's words.
--
-- A sentence understood becomes one event per object (and per second object), each shown to the
-- event catchers of the world and of the objects in scope, which may stop it by returning true,
-- and then handed to the object's method named by the verb. A verb without an object goes to the
-- player's location, or the player, or the world, whichever has the method. Failures print
-- PARSE_ERROR[n]:
--   1 no verb, 2 an unknown word, 3 a pronoun with nothing to stand for, 4 a misplaced "и",
--   5 no such object here, 6 no method for the verb, 7 several objects answer the name,
--   8 "again" with nothing to repeat, 9 a sentence outside the grammar.

-- The last sentence understood (its words and text) and the objects the pronoun stands for.
PARSER = { last = nil, named = nil }
GAME_OVER = false

local CONJUNCTION = '\232'  -- и

local function parse_message (n)
  local messages = rawget(_G, 'PARSE_ERROR')
  local text = nil
  if type(messages) == 'table' then text = messages[n] end
  if type(text) ~= 'string' and type(text) ~= 'number' then text = '' end
  print(text)
end

local function is_closed (o)
  local data = rawget(o, 'data')
  return type(data) == 'table' and data.closed and true or false
end

-- The objects the actor can name, each once: the actor's location, what the location holds and
-- what the actor holds, and within those, what every object that is not closed (data.closed)
-- holds, down the ownership tree. A referenced object is in scope where it is listed; what it
-- holds is in scope where it is owned. Replace this function to change the rule.
function scope (actor)
  local list, seen, count = {}, {}, 0
  local G, class = _G, OBJECT
  local function take (o)
    if seen[o] or type(o) ~= 'table' or getmetatable(o) ~= class then return false end
    local uid = rawget(o, 'uid')
    if type(uid) ~= 'string' or rawget(G, uid) ~= o then return false end
    seen[o] = true
    count = count + 1
    list[count] = o
    return true
  end
  local function contents (o)
    local items = rawget(o, 'items')
    if type(items) ~= 'table' then return end
    local total = table.getn(items)
    for i = 1, total do
      local e = items[i]
      if take(e) and rawget(e, 'parent') == o and not is_closed(e) then contents(e) end
    end
  end
  if not is_object(actor) then return list end
  local place = rawget(actor, 'parent')
  if take(place) then contents(place) end
  if take(actor) or seen[actor] then contents(actor) end
  return list
end

-- The folded words of a display name, as a set; kept per name text.
local name_word_sets = {}
local name_word_count = 0
local function name_words (name)
  local set = name_word_sets[name]
  if set then return set end
  set = {}
  for _, w in ipairs(split_words(name)) do set[fold(w)] = true end
  if name_word_count >= MEMO_LIMIT then
    name_word_sets, name_word_count = {}, 0
  end
  name_word_sets[name] = set
  name_word_count = name_word_count + 1
  return set
end

-- Whether a folded word is a word of some object's display name: such a word is a noun even when
-- no vocabulary knows it. Only asked about words the vocabularies do not know.
local function is_name_word (f)
  local root = rawget(_G, 'world')
  if not is_object(root) then return false end
  -- Each object is entered from its owner only, so the walk cannot go round in circles.
  local stack, depth = { root }, 1
  local rawget, type, getn = rawget, type, table.getn
  while depth > 0 do
    local o = stack[depth]
    stack[depth] = nil
    depth = depth - 1
    local name = rawget(o, 'name')
    local kind = type(name)
    if (kind == 'string' or kind == 'number') and name_words(name)[f] then return true end
    local items = rawget(o, 'items')
    if type(items) == 'table' then
      for i = 1, getn(items) do
        local e = items[i]
        if type(e) == 'table' and rawget(e, 'parent') == o then
          depth = depth + 1
          stack[depth] = e
        end
      end
    end
  end
  return false
end

-- The key words of an object's display name, as a set, and their number. Words of the name that
-- are only prepositions are left out.
local name_cache = setmetatable({}, { __mode = 'k' })
local function name_keys (o)
  local name = rawget(o, 'name')
  local cached = name_cache[o]
  if cached and cached.name == name and cached.version == vocabulary_version then
    return cached.keys, cached.count
  end
  local keys, count = {}, 0
  if type(name) == 'string' or type(name) == 'number' then
    local nouns, prepositions = VOCABULARY.nouns, VOCABULARY.prepositions
    for _, w in ipairs(split_words(name)) do
      local key = nil
      if nouns then key = nouns:lookup(w) end
      if key == nil and prepositions and prepositions:lookup(w) then
        key = false
      elseif key == nil then
        key = fold(w)
      end
      if key and key ~= 'it' and not keys[key] then
        keys[key] = true
        count = count + 1
      end
    end
  end
  name_cache[o] = { name = name, version = vocabulary_version, keys = keys, count = count }
  return keys, count
end

-- What the vocabularies make of words, until they change; the entries are never altered.
local classes, classes_version, classes_count = {}, -1, 0

-- What a word can be: { verb =, noun =, pronoun =, prep =, conj = }, or nil for an unknown word.
-- A word no vocabulary knows is a noun when it is a word of the name of an object here or
-- anywhere in the world.
local function classify (word, places)
  local f = fold(word)
  if classes_version ~= vocabulary_version or classes_count >= MEMO_LIMIT then
    classes, classes_version, classes_count = {}, vocabulary_version, 0
  end
  local c = classes[f]
  if c == nil then
    c = {}
    if f == CONJUNCTION then
      c.conj = true
    else
      local verbs, nouns, prepositions = VOCABULARY.verbs, VOCABULARY.nouns, VOCABULARY.prepositions
      if verbs then c.verb = verbs:lookup(f) end
      if nouns then
        local key = nouns:lookup(f)
        if key == 'it' then c.pronoun = true else c.noun = key end
      end
      if prepositions then c.prep = prepositions:lookup(f) end
      if not (c.verb or c.noun or c.pronoun or c.prep) then c = false end
    end
    classes[f] = c
    classes_count = classes_count + 1
  end
  if c then return c end
  for _, o in ipairs(places) do
    local name = rawget(o, 'name')
    if (type(name) == 'string' or type(name) == 'number') and name_words(name)[f] then
      return { noun = f }
    end
  end
  if is_name_word(f) then return { noun = f } end
  return nil
end

local function names_something (c)
  return c ~= nil and (c.noun ~= nil or c.pronoun ~= nil)
end

-- Whether word i is read as a preposition: it can only be one, or it could also name something
-- but what follows names something.
local function preposition_at (cls, i)
  local c = cls[i]
  if c == nil or c.prep == nil then return false end
  if not names_something(c) then return true end
  return names_something(cls[i + 1])
end

-- The parts of a classified sentence: verb, prep1, first (words), prep2, second (words); or nil
-- and the number of the message.
local function sentence_of (cls)
  local n = table.getn(cls)
  local s = { verb = cls[1].verb, first = {}, second = {} }
  local i = 2
  if i <= n and preposition_at(cls, i) then
    s.prep1 = cls[i].prep
    i = i + 1
    if i > n then return nil, 9 end
  end
  while i <= n and not preposition_at(cls, i) do
    local c = cls[i]
    if not (c.conj or names_something(c)) then return nil, 9 end
    table.insert(s.first, c)
    i = i + 1
  end
  if i <= n then
    if table.getn(s.first) == 0 then return nil, 9 end
    s.prep2 = cls[i].prep
    i = i + 1
    if i > n then return nil, 9 end
    while i <= n do
      local c = cls[i]
      if not (c.conj or names_something(c)) then return nil, 9 end
      table.insert(s.second, c)
      i = i + 1
    end
  end
  return s
end

-- The objects of one name (a run of nouns) or one pronoun, among the places; or nil and the
-- number of the message.
local function resolve_name (words, places)
  local count = table.getn(words)
  if words[1].pronoun then
    if count > 1 then return nil, 9 end
    local named = PARSER.named
    local alive = {}
    if named then
      for _, o in ipairs(named) do
        if is_alive(o) then table.insert(alive, o) end
      end
    end
    if table.getn(alive) == 0 then return nil, 3 end
    for _, o in ipairs(alive) do
      local here = false
      for _, p in ipairs(places) do
        if p == o then
          here = true
          break
        end
      end
      if not here then return nil, 5 end
    end
    return alive
  end
  local keys, wanted = {}, 0
  for i = 1, count do
    local c = words[i]
    if c.pronoun or not c.noun then return nil, 9 end
    if not keys[c.noun] then
      keys[c.noun] = true
      wanted = wanted + 1
    end
  end
  local found, whole = {}, {}
  local total = table.getn(places)
  for i = 1, total do
    local o = places[i]
    local have, size = name_keys(o)
    local all = true
    for k in pairs(keys) do
      if not have[k] then
        all = false
        break
      end
    end
    if all then
      table.insert(found, o)
      if size == wanted then table.insert(whole, o) end
    end
  end
  if table.getn(found) == 1 then return found end
  if table.getn(found) == 0 then return nil, 5 end
  if table.getn(whole) == 1 then return whole end
  return nil, 7
end

-- The objects of a list of names joined by "и", each once; or nil and the number of the message.
local function resolve_list (words, places)
  local count = table.getn(words)
  if count == 0 then return nil, 9 end
  local previous_conj = true
  for i = 1, count do
    local conj = words[i].conj == true
    if conj and previous_conj then return nil, 4 end
    previous_conj = conj
  end
  if previous_conj then return nil, 4 end
  local objects, seen, run = {}, {}, {}
  for i = 1, count + 1 do
    local c = words[i]
    if c == nil or c.conj then
      local found, problem = resolve_name(run, places)
      if not found then return nil, problem end
      for _, o in ipairs(found) do
        if not seen[o] then
          seen[o] = true
          table.insert(objects, o)
        end
      end
      run = {}
    else
      table.insert(run, c)
    end
  end
  return objects
end

local function slice (list, from, to)
  local part = {}
  for i = from, to do table.insert(part, list[i]) end
  return part
end

-- The objects and second objects of a sentence, or nil and the number of the message.
local function resolve_sentence (s, places)
  local count = table.getn(s.first)
  if count == 0 then return {}, {} end
  local objects, problem = resolve_list(s.first, places)
  if s.prep2 then
    if not objects then return nil, problem end
    local seconds, why = resolve_list(s.second, places)
    if not seconds then return nil, why end
    return objects, seconds
  end
  if objects then return objects, {} end
  if problem ~= 5 and problem ~= 9 then return nil, problem end
  -- Two objects without a preposition between them: the first split where both sides name
  -- objects here.
  for k = 1, count - 1 do
    if not s.first[k].conj and not s.first[k + 1].conj then
      local left = resolve_list(slice(s.first, 1, k), places)
      if left then
        local right = resolve_list(slice(s.first, k + 1, count), places)
        if right then return left, right end
      end
    end
  end
  return nil, problem
end

-- The method of o for verb, or nil.
local function handler (o, verb)
  if not is_object(o) or NOT_VERBS[verb] then return nil end
  local method = o[verb]
  if type(method) == 'function' then return method end
  return nil
end

-- Shows the event to the catchers of o; true when one of them stopped it. A catcher is called
-- with the event and the object that holds it; a failing catcher is reported and the rest go on.
local function caught_by (o, event)
  local hooks = rawget(o, 'hooks')
  if type(hooks) ~= 'table' then return false end
  local count = table.getn(hooks)
  for i = 1, count do
    local f = hooks[i]
    if type(f) == 'function' then
      local ran, stop = pcall(f, event, o)
      if not ran then
        error_print(tostring(stop))
      elseif stop then
        return true
      end
    end
  end
  return false
end

-- The world's catchers first, then those of the objects in scope.
local function caught (event, places)
  local root = rawget(_G, 'world')
  if is_object(root) and caught_by(root, event) then return true end
  for _, o in ipairs(places) do
    if o ~= root and caught_by(o, event) then return true end
  end
  return false
end

-- Who answers a verb without an object: the location, the actor, the world, in that order.
local function default_target (verb, actor)
  local place = is_object(actor) and rawget(actor, 'parent') or nil
  local candidates = { place or false, actor or false, rawget(_G, 'world') or false }
  for i = 1, 3 do
    local o = candidates[i]
    if o and handler(o, verb) then return o end
  end
  return nil
end

local function dispatch (event, places)
  if caught(event, places) then return end
  local target = event.object
  if target == nil then target = default_target(event.verb, event.actor) end
  local method = target and handler(target, event.verb)
  if not method then return parse_message(6) end
  local ran, problem = pcall(method, target, event)
  if not ran then error_print(tostring(problem)) end
end

local function understand (words, text, repeating)
  local count = table.getn(words)
  if count == 0 then return parse_message(1) end
  local actor = rawget(_G, 'player')
  local places = scope(actor)
  local cls = {}
  for i = 1, count do
    local c = classify(words[i], places)
    if not c then return parse_message(2) end
    -- After the verb, a word the vocabularies take only for a verb still names an object here
    -- whose name has it.
    if i > 1 and c.verb and not (c.noun or c.pronoun or c.prep or c.conj) then
      local f = fold(words[i])
      for _, o in ipairs(places) do
        local name = rawget(o, 'name')
        if (type(name) == 'string' or type(name) == 'number') and name_words(name)[f] then
          c = { verb = c.verb, noun = f }
          break
        end
      end
    end
    cls[i] = c
  end
  local verb = cls[1].verb
  if not verb then return parse_message(1) end
  if verb == 'again' then
    if count > 1 then return parse_message(9) end
    local last = PARSER.last
    if not last or repeating then return parse_message(8) end
    return understand(last.words, last.text, true)
  end
  local s, problem = sentence_of(cls)
  if not s then return parse_message(problem) end
  local objects, seconds = resolve_sentence(s, places)
  if not objects then return parse_message(seconds) end

  PARSER.last = { words = words, text = text }
  if table.getn(objects) > 0 then PARSER.named = objects end

  local firsts, others = objects, seconds
  if table.getn(firsts) == 0 then firsts = { false } end
  if table.getn(others) == 0 then others = { false } end
  for _, o in ipairs(firsts) do
    for _, second in ipairs(others) do
      dispatch({ actor = actor, verb = verb, object = o or nil, second = second or nil,
                 object_preposition = s.prep1, preposition = s.prep2, objects = objects,
                 seconds = seconds, words = words, text = text }, places)
      if GAME_OVER then return end
    end
  end
end

-- Reads and carries out one line of the player's.
function parse (text)
  if text == nil then text = '' end
  text = tostring(text)
  understand(split_words(text), text, false)
end

-- Carries out an action as if the player had typed it: the catchers see it, then the method
-- runs (a verb without an object goes to the location, the player or the world).
function perform (verb, object, second, preposition)
  local actor = rawget(_G, 'player')
  dispatch({ actor = actor, verb = verb, object = object, second = second,
             preposition = preposition, objects = { object }, seconds = { second }, words = {},
             text = '' }, scope(actor))
end

-- ## Starting and playing

-- Ends the game: the main loop of a compiled game stops after this line.
function end_game ()
  GAME_OVER = true
end

-- Begins the game: world:start (event) when the world has that method, else the world's name
-- and the location's look.
function start_game ()
  GAME_OVER = false
  PARSER.last, PARSER.named = nil, nil
  local root = rawget(_G, 'world')
  if not is_object(root) then return end
  local actor = rawget(_G, 'player')
  local start = handler(root, 'start')
  if start then
    local ran, problem = pcall(start, root, { actor = actor, verb = 'start', objects = {},
                                              seconds = {}, words = {}, text = '' })
    if not ran then error_print(tostring(problem)) end
    return
  end
  print(root.name)
  if default_target('look', actor) then perform('look') end
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
