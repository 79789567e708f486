-- The world's check: world:check() finds and repairs whatever would break a walk of the object
-- tree, and first asks, in one pass that changes nothing, whether there is anything to repair.

local is_object, is_alive, describe = ENGINE.is_object, ENGINE.is_alive, ENGINE.describe
local index_of, notice_reset = ENGINE.index_of, ENGINE.notice_reset

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
