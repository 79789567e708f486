#include "map/mapcalls.h"

#include "script/luaquote.h"
#include "script/scripthost.h"

namespace MapStatements {

namespace {

// 'text' as it is where that reads back as the text, else an escaped "..." string.
QString SingleQuoted(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r') || c.isNull())
            return LuaQuote::QuotedString(text);
    }
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

QString AddPage(const QString &name)
{
    return QStringLiteral("IDE_MAP:add_page ") + LuaQuote::LongString(name);
}

QString Select(int page)
{
    return QStringLiteral("IDE_MAP:select (%1)").arg(page);
}

QString DeletePage(int page)
{
    return QStringLiteral("IDE_MAP:delete_page (%1)").arg(page);
}

QString Add(const QString &uid)
{
    return QStringLiteral("IDE_MAP:add (") + SingleQuoted(uid) + QLatin1Char(')');
}

QString Connect(const QString &a, const QString &b)
{
    return QStringLiteral("IDE_MAP:add (") + SingleQuoted(a) + QStringLiteral(", ") + SingleQuoted(b)
           + QLatin1Char(')');
}

QString Delete(const QString &uid)
{
    return QStringLiteral("IDE_MAP:delete (") + SingleQuoted(uid) + QLatin1Char(')');
}

QString Draw()
{
    return QStringLiteral("IDE_MAP:draw()");
}

} // namespace MapStatements

namespace PageRules {

bool EnterAdds(const QStringList &pages, const QString &text)
{
    return !pages.contains(text);
}

bool CanDelete(const QStringList &pages, const QString &text)
{
    return pages.indexOf(text) >= 1;
}

} // namespace PageRules

bool MapCalls::Run(const QString &statement)
{
    QByteArray failure;
    if (m_host.RunUnreported(statement, &failure)) {
        m_failing.remove(statement);
        return true;
    }
    if (!m_failing.contains(statement)) {
        m_failing.insert(statement);
        m_host.Report(failure);
    }
    return false;
}
