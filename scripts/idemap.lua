-- IDE_MAP: the map of the world that the program's map window shows, kept here so that it lives
-- with the world and is saved with the project. Compiled games do not carry it.
--
-- The window keeps nothing of its own. It shows one page at a time, filled from here through the
-- program's map functions (clearpageslist, addmappage, writepagename, clearpageitems,
-- addpageitem), and tells this object what the author does there. An icon the author moves is not
-- reported: its place is read back from the window (pageitemscount, getpageitem) before anything
-- here uses the page, which is why the window must always show the current page as stored here.
--
-- A page is { name = text (nil for a page not yet named), icons = { uid, x, y, uid, x, y, ... },
-- links = { a, b, a, b, ... } }: flat lists. A list is either built anew by index or changed
-- with table.insert and table.remove, never assigned by index afterwards, since in this build
-- table.getn remembers the length those two set (and building by index is what keeps a page of a
-- thousand icons cheap). Only the first page can lack a name, and only while it is the only one; the first
-- name the author gives is its name. Icons stand for objects by uid: one whose object was renamed
-- follows the new uid, one whose object left the world goes, with its connections.
--
-- A project keeps its map in the statement that postsave.lua appends (project_lines); opening it
-- runs IDE_MAP:load. After a project that holds no map (one saved before the map existed),
-- postload.lua's call of opened() leaves one empty page.

IDE_MAP = {}

local function new_page (name)
  return { name = name, icons = {}, links = {} }
end

-- The uid under which an icon's object lives now: its own, the new one after a rename, or nil
-- once the object has left the world. `known` maps uids to the objects seen under them before.
local function follow (uid, known)
  local o = rawget(_G, uid)
  if type(o) == 'table' and rawget(o, 'uid') == uid then return uid, o end
  o = known[uid]
  if o ~= nil then
    local now = rawget(o, 'uid')
    if type(now) == 'string' and rawget(_G, now) == o then return now, o end
  end
  return nil
end

local function alive (uid)
  local o = rawget(_G, uid)
  return type(o) == 'table' and rawget(o, 'uid') == uid
end

function IDE_MAP:page ()
  return self.pages[self.current]
end

-- The page number n as a whole number within the pages; an error names a wrong one.
function IDE_MAP:number (n)
  local count = table.getn(self.pages)
  if type(n) ~= 'number' or n ~= math.floor(n) or n < 1 or n > count then
    error('На карте нет страницы ' .. tostring(n) .. ' (страниц: ' .. count .. ')', 3)
  end
  return n
end

-- Fills the window's page box: the names in page order, the current page's name in the edit line.
function IDE_MAP:show_pages ()
  clearpageslist()
  for _, page in ipairs(self.pages) do
    if page.name ~= nil then addmappage(page.name) end
  end
  writepagename(self:page().name or '')
end

-- Fills the window with the icons of the current page.
function IDE_MAP:show_icons ()
  clearpageitems()
  local icons = self:page().icons
  for i = 1, table.getn(icons), 3 do
    addpageitem(icons[i], icons[i + 1], icons[i + 2])
  end
end

-- Takes over the icons of the window, where the author may have added, moved or deleted some,
-- as the icons of the current page.
function IDE_MAP:saveitems ()
  local page, count = self:page(), pageitemscount()
  -- Mostly nothing has moved: then nothing is built.
  local old = page.icons
  local same, i = table.getn(old) == 3 * count, 1
  while same and i <= count do
    local uid, x, y = getpageitem(i)
    local k = 3 * i - 2
    same = uid == old[k] and x == old[k + 1] and y == old[k + 2]
    i = i + 1
  end
  if same then return end
  local icons, n = {}, 0
  for i = 1, count do
    local uid, x, y = getpageitem(i)
    if type(uid) == 'string' then
      icons[n + 1], icons[n + 2], icons[n + 3] = uid, x, y
      n = n + 3
    end
  end
  page.icons = icons
end

-- Whether every icon and connection stands for a live object under the uid stored: the common
-- case, found without building anything. The objects are noted for following renames later.
function IDE_MAP:in_step ()
  local objects = self.objects
  for _, page in ipairs(self.pages) do
    local icons, links = page.icons, page.links
    for i = 1, table.getn(icons), 3 do
      local uid = icons[i]
      local o = rawget(_G, uid)
      if type(o) ~= 'table' or rawget(o, 'uid') ~= uid then return false end
      objects[uid] = o
    end
    for i = 1, table.getn(links) do
      if not alive(links[i]) then return false end
    end
  end
  return true
end

-- Brings every page in step with the world (renamed objects followed, removed ones gone) and
-- drops connections that are not between two icons of their page. True when the current page
-- changed, which the window then has to be shown again.
function IDE_MAP:tidy ()
  if self:in_step() then return false end
  local known, seen, changed = {}, {}, false
  local function current_uid (uid)
    local now = seen[uid]
    if now == nil then
      local o
      now, o = follow(uid, self.objects)
      if now ~= nil then known[now] = o end
      seen[uid] = now or false
    end
    return now or nil
  end
  for n, page in ipairs(self.pages) do
    local old_icons, old_links = page.icons, page.links
    local icons, links, on_page, icon_end, link_end = {}, {}, {}, 0, 0
    local differs = false
    for i = 1, table.getn(old_icons), 3 do
      local uid = current_uid(old_icons[i])
      if uid ~= old_icons[i] then differs = true end
      if uid ~= nil then
        on_page[uid] = true
        icons[icon_end + 1], icons[icon_end + 2], icons[icon_end + 3] = uid, old_icons[i + 1], old_icons[i + 2]
        icon_end = icon_end + 3
      end
    end
    for i = 1, table.getn(old_links), 2 do
      local a, b = current_uid(old_links[i]), current_uid(old_links[i + 1])
      if a ~= old_links[i] or b ~= old_links[i + 1] then differs = true end
      if a ~= nil and b ~= nil and a ~= b and on_page[a] and on_page[b] then
        links[link_end + 1], links[link_end + 2] = a, b
        link_end = link_end + 2
      else
        differs = true
      end
    end
    if differs then
      page.icons, page.links = icons, links
      if n == self.current then changed = true end
    end
  end
  self.objects = known
  return changed
end

-- Starts over with one empty page, not yet named, and shows it.
function IDE_MAP:reset ()
  self.pages = { new_page() }
  self.current = 1
  self.objects = {}
  self.world_items = type(world) == 'table' and rawget(world, 'items') or nil
  self:show_pages()
  self:show_icons()
end

-- A page named by the author. The window has put the name in its list already and selects the
-- page next.
function IDE_MAP:add_page (name)
  if type(name) ~= 'string' then error('Имя страницы карты должно быть строкой', 2) end
  local first = self.pages[1]
  if table.getn(self.pages) == 1 and first.name == nil then
    first.name = name
  else
    table.insert(self.pages, new_page(name))
  end
end

-- Shows page n.
function IDE_MAP:select (n)
  n = self:number(n)
  self:saveitems()
  self.current = n
  self:tidy()
  self:show_pages()
  self:show_icons()
end

-- Deletes page n; the page before it is shown when it was the current one.
function IDE_MAP:delete_page (n)
  n = self:number(n)
  if table.getn(self.pages) == 1 then error('Единственную страницу карты удалить нельзя', 2) end
  if n ~= self.current then self:saveitems() end
  table.remove(self.pages, n)
  if self.current > n or (self.current == n and n > 1) then self.current = self.current - 1 end
  self:tidy()
  self:show_pages()
  self:show_icons()
end

-- An icon the window has added for object a (one argument), or a connection between the icons of
-- a and b (two arguments).
function IDE_MAP:add (a, b)
  self:saveitems()
  if b ~= nil and a ~= b and alive(a) and alive(b) then
    local links = self:page().links
    for i = 1, table.getn(links), 2 do
      if (links[i] == a and links[i + 1] == b) or (links[i] == b and links[i + 1] == a) then return end
    end
    table.insert(links, a)
    table.insert(links, b)
  end
  if self:tidy() then self:show_icons() end
end

-- The window is about to take away its selected icon, captioned uid. Its connections go unless
-- another icon of the same object stays to carry them.
function IDE_MAP:delete (uid)
  self:saveitems()
  local page, count = self:page(), 0
  for i = 1, table.getn(page.icons), 3 do
    if page.icons[i] == uid then count = count + 1 end
  end
  if count > 1 then return end
  local links = page.links
  for i = table.getn(links) - 1, 1, -2 do
    if links[i] == uid or links[i + 1] == uid then
      table.remove(links, i + 1)
      table.remove(links, i)
    end
  end
end

-- Run in every paint of the window: one pass over the current page's connections. A connection to
-- an object that has left the world or was renamed is not drawn; the page is brought in step then,
-- and shown again before the window paints its icons.
function IDE_MAP:draw ()
  local links = self:page().links
  local stale = false
  for i = 1, table.getn(links), 2 do
    local a, b = links[i], links[i + 1]
    if alive(a) and alive(b) then
      mapdrawline(a, b)
    else
      stale = true
    end
  end
  if stale then
    self:saveitems()
    if self:tidy() then self:show_icons() end
  end
end

-- Restores the pages of a saved project: { current = n, page, page, ... }. What does not fit the
-- form is left out, so a damaged map opens as far as it goes.
function IDE_MAP:load (map)
  local pages = {}
  if type(map) == 'table' then
    for _, p in ipairs(map) do
      if type(p) == 'table' then
        local page = new_page(type(p.name) == 'string' and p.name or nil)
        local icons, links = p.icons, p.links
        if type(icons) ~= 'table' then icons = {} end
        if type(links) ~= 'table' then links = {} end
        local n, on_page = 0, {}
        for i = 1, table.getn(icons), 3 do
          local uid, x, y = icons[i], icons[i + 1], icons[i + 2]
          if type(uid) == 'string' and type(x) == 'number' and type(y) == 'number' then
            page.icons[n + 1], page.icons[n + 2], page.icons[n + 3] = uid, x, y
            n = n + 3
            on_page[uid] = true
          end
        end
        n = 0
        for i = 1, table.getn(links), 2 do
          local a, b = links[i], links[i + 1]
          if a ~= b and on_page[a] and on_page[b] then
            page.links[n + 1], page.links[n + 2] = a, b
            n = n + 2
          end
        end
        table.insert(pages, page)
      end
    end
  end
  if table.getn(pages) == 0 then pages = { new_page() } end
  -- Only a page that is the only one can be without a name.
  if table.getn(pages) > 1 then
    for _, page in ipairs(pages) do page.name = page.name or '' end
  end
  self.pages = pages
  self.current = 1
  local current = type(map) == 'table' and map.current
  if type(current) == 'number' and current >= 1 and current <= table.getn(pages) then
    self.current = math.floor(current)
  end
  self.objects = {}
  self.world_items = type(world) == 'table' and rawget(world, 'items') or nil
  self:tidy()
  self:show_pages()
  self:show_icons()
end

-- Run by postload.lua. A project that brought no map leaves the map of the world before it
-- behind (its first statement gives the world a new list of items): that map does not belong to
-- it, so the map starts over. A pasted subtree or a copied property changes nothing here.
function IDE_MAP:opened ()
  local items = type(world) == 'table' and rawget(world, 'items') or nil
  if items ~= self.world_items then self:reset() end
end

-- Appends to lines the statement that restores the map when the project runs. It does nothing
-- where no IDE_MAP is defined, so the project still opens there.
function IDE_MAP:project_lines (lines)
  if self:tidy() then self:show_icons() end
  local function quote (text) return string.format('%q', text) end
  local out = { 'if IDE_MAP then IDE_MAP:load {current = ' .. self.current .. ',' }
  for _, page in ipairs(self.pages) do
    -- Pieces joined once, rather than a string per icon.
    local icons, links = { ' icons = {' }, { ' links = {' }
    for i = 1, table.getn(page.icons), 3 do
      local k = 6 * (i - 1) / 3 + 1
      icons[k + 1], icons[k + 2], icons[k + 3] = quote(page.icons[i]), ', ', page.icons[i + 1]
      icons[k + 4], icons[k + 5], icons[k + 6] = ', ', page.icons[i + 2], ', '
    end
    for i = 1, table.getn(page.links), 2 do
      local k = 4 * (i - 1) / 2 + 1
      links[k + 1], links[k + 2], links[k + 3], links[k + 4] = quote(page.links[i]), ', ',
                                                               quote(page.links[i + 1]), ', '
    end
    local name = page.name and quote(page.name) or 'nil'
    table.insert(out, '{name = ' .. name .. ',')
    table.insert(out, table.concat(icons) .. '},')
    table.insert(out, table.concat(links) .. '}},')
  end
  table.insert(out, '} end')
  -- Appended whole or not at all, so a failure cannot leave half a statement in the project.
  for _, line in ipairs(out) do table.insert(lines, line) end
end

IDE_MAP:reset()
