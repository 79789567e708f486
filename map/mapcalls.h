#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

class ScriptHost;

// The calls of the engine's IDE_MAP that the map window makes, as Lua text. Page numbers count
// from 1. Names and uids are quoted so that any text reads back: the plain [[name]] and 'uid'
// forms wherever they do.
namespace MapStatements {

QString AddPage(const QString &name);
QString Select(int page);
QString DeletePage(int page);
// An object dropped from the object tree.
QString Add(const QString &uid);
// Icon a dropped onto icon b: a connection.
QString Connect(const QString &a, const QString &b);
QString Delete(const QString &uid);
QString Draw();

} // namespace MapStatements

// The rules of the page box, given the page names in page order and the text of its edit line.
namespace PageRules {

// Enter adds a page when the text names none yet; an empty text counts as a name too.
bool EnterAdds(const QStringList &pages, const QString &text);
// "Удалить страницу" is enabled when the text names a page other than the first.
bool CanDelete(const QStringList &pages, const QString &text);

} // namespace PageRules

// Runs the map's IDE_MAP calls, unechoed. A failing call is reported once: while the same call
// keeps failing (the draw of every paint, every call of an engine without IDE_MAP) it is not
// reported again, so a paint can never flood the console. Once it has run, a later failure is
// news and reported again.
class MapCalls
{
public:
    explicit MapCalls(ScriptHost &host) : m_host(host) {}

    // True when the call ran without an error.
    bool Run(const QString &statement);

private:
    ScriptHost &m_host;
    QSet<QString> m_failing;
};
