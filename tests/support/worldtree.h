#pragma once

#include "project/projectwriter.h"
#include "script/scripthost.h"

// The node tree of the world as it stands (owned objects with their children, references as
// leaves), read with plain Lua so tests of the project code need no object tree window.
namespace WorldTree {

inline void Define(ScriptHost &host)
{
    host.RunLua(QStringLiteral(R"(
function tree_of (o)
  local s = o.uid
  local inner = {}
  for _, e in ipairs(o.items) do
    table.insert(inner, e.parent == o and tree_of(e) or e.uid)
  end
  if table.getn(inner) > 0 then s = s .. '(' .. table.concat(inner, ',') .. ')' end
  return s
end

-- Everything of the world that a project must keep, written with sorted keys so two worlds
-- compare as texts.
function world_dump ()
  local out = {}
  local function value (v, depth)
    if type(v) == 'table' then
      if getmetatable(v) == OBJECT then return '@' .. tostring(v.uid) end
      if depth > 8 then return '{...}' end
      local keys = {}
      for k in pairs(v) do table.insert(keys, k) end
      table.sort(keys, function (a, b) return tostring(a) < tostring(b) end)
      local parts = {}
      for _, k in ipairs(keys) do table.insert(parts, tostring(k) .. '=' .. value(v[k], depth + 1)) end
      return '{' .. table.concat(parts, ',') .. '}'
    end
    if type(v) == 'string' then return string.format('%q', v) end
    return tostring(v)
  end
  local function visit (o)
    local items = {}
    for _, e in ipairs(o.items) do table.insert(items, e.uid) end
    table.insert(out, o.uid .. ' name=' .. value(o.name, 0) .. ' parent=' ..
                 tostring(o.parent and o.parent.uid) .. ' items=' .. table.concat(items, ',') ..
                 ' data=' .. value(o.data, 0) .. ' ide=' .. value(o.ide_data, 0) ..
                 ' hooks=' .. tostring(o.hooks and table.getn(o.hooks)) ..
                 ' constructor=' .. type(o.constructor))
    for _, e in ipairs(o.items) do
      if e.parent == o then visit(e) end
    end
  end
  visit(world)
  return table.concat(out, '\n')
end)"));
}

inline ProjectNode Parse(const QString &text, qsizetype *at)
{
    ProjectNode node;
    while (*at < text.size() && !QStringLiteral("(),").contains(text.at(*at)))
        node.uid += text.at((*at)++);
    if (*at < text.size() && text.at(*at) == QLatin1Char('(')) {
        do {
            ++*at;
            node.children.push_back(Parse(text, at));
        } while (text.at(*at) == QLatin1Char(','));
        ++*at;
    }
    return node;
}

// The world's tree as the writer walks it, or the subtree of the object root; Define must have
// run in the host.
inline ProjectNode Read(ScriptHost &host, const QString &root = QStringLiteral("world"))
{
    const QString text = host.EvalString(QStringLiteral("tree_of(%1)").arg(root));
    qsizetype at = 0;
    return Parse(text, &at);
}

} // namespace WorldTree
