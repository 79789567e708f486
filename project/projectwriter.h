#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class ScriptHost;
struct lua_State;

// A node of the object tree as the writer walks it: its text (the object's uid) and its child
// nodes in the tree's order. Reference nodes have no children.
struct ProjectNode
{
    QString uid;
    std::vector<ProjectNode> children;
};

// Writes the world, as the object tree shows it, as the Lua statements of a project file: Reset,
// one Create per owned node with its source block, the Adds of reference nodes deferred to the
// end, Refresh. Lines are Windows-1251 bytes, copied from Lua as they are.
class ProjectWriter
{
public:
    explicit ProjectWriter(ScriptHost &host);

    // The lines of a whole project from the root node. False, with a message for the author,
    // when something in the world cannot be written so that it reads back (a key that is not a
    // Lua name); nothing is to be written then.
    bool ProjectLines(const ProjectNode &root, QList<QByteArray> *lines, QString *error);
    // The lines of one subtree whose node hangs under parentUid; no Reset, no Refresh, and the
    // references met are left out.
    bool SubtreeLines(const ProjectNode &node, const QString &parentUid, QList<QByteArray> *lines,
                      QString *error);
    // The Add statements and source blocks of the reference nodes met by the last run.
    const QList<QByteArray> &DeferredAdds() const { return m_deferredAdds; }

    // Every line followed by CR LF.
    static QByteArray JoinLines(const QList<QByteArray> &lines);
    // The name with ".twk" appended unless its extension is exactly ".twk".
    static QString WithExtension(const QString &name);
    // The extension of a name: from the last "." after the last "\", "/" or ":"; empty if none.
    static QString Extension(const QString &name);
    // The name as the body of a single-quoted Lua string: backslashes doubled.
    static QString LuaPathBody(const QString &name);
    // Whether a text can stand as a Lua name (an ide_data key, a uid) in a statement.
    static bool IsLuaName(const QByteArray &text);

private:
    bool SerializeNode(const ProjectNode &node, const QString &parentUid, QList<QByteArray> &out);
    bool AppendSourceBlock(const QByteArray &uid, QList<QByteArray> &cur);
    bool PushObject(const QByteArray &uid);

    ScriptHost &m_host;
    lua_State *m_state;
    QList<QByteArray> m_deferredAdds;
    QString m_error;
};
