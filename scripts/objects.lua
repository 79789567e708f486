-- The engine's first module: the object protocol. startup.lua loads the engine's modules in the
-- order of ENGINE_MODULES and compile.lua copies the same files, in the same order, into every
-- compiled game, so the game plays exactly as the console does.
--
-- The modules keep to what Lua 5.0 and 5.1 share and use no long brackets, because a compiled game
-- must also run under a stock Lua 5.1 (double numbers, no nested long strings, no remembered
-- lengths). What one module lends the next lives in the table ENGINE, which is the engine's own.
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
-- The lists are grown and shrunk only with table.insert and table.remove, because in this build
-- table.getn remembers the length those two set, so a list written by plain assignment afterwards
-- would read with a stale length.

-- The class of the previous load, so that loading again can forget the previous world.
local previous_class = rawget(_G, 'OBJECT')

ENGINE = {}
-- Grows whenever objects come into the world or leave it (not when one moves or is renamed), so
-- that what was found out about the whole world can be kept until then.
ENGINE.world_stamp = 0

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
  ENGINE.world_stamp = ENGINE.world_stamp + 1
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
  ENGINE.world_stamp = ENGINE.world_stamp + 1
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
    -- A catcher reaches its holder as `self` (events.lua), as a method does.
    if ENGINE.bind_holder then ENGINE.bind_holder(item) end
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
  ENGINE.world_stamp = ENGINE.world_stamp + 1
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
  ENGINE.world_stamp = ENGINE.world_stamp + 1
  return map[obj]
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
  ENGINE.world_stamp = ENGINE.world_stamp + 1
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

ENGINE.is_object = is_object
ENGINE.is_alive = is_alive
ENGINE.describe = describe
ENGINE.index_of = index_of
ENGINE.notice_reset = notice_reset
