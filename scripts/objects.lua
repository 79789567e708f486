-- The object protocol of the game world.
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
