#include "properties/datastatements.h"

#include "script/codepage.h"
#include "script/luanames.h"
#include "script/luaquote.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdio>

namespace DataStatements {

using DataNode::Kind;

namespace {

// Most keys and many values are plain ASCII, which needs no code-page conversion.
QString TextOf(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (uchar(c) >= 0x80)
            return CodePage::FromLua(bytes);
    }
    return QString::fromLatin1(bytes);
}

} // namespace

QString TypeText(Kind kind)
{
    switch (kind) {
    case Kind::Table: return QStringLiteral("(таблица)");
    case Kind::Function: return QStringLiteral("(функция)");
    case Kind::Userdata: return QStringLiteral("(userdata)");
    case Kind::Thread: return QStringLiteral("(сопрограмма)");
    case Kind::Nil: return QStringLiteral("(nil)");
    case Kind::Boolean:
    case Kind::Number:
    case Kind::String: break;
    }
    return QString();
}

QString StringLiteral(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\'' || u == '\\' || u == '\n' || u == '\r' || u == 0)
            return LuaQuote::QuotedString(text);
    }
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString NumberLiteral(double number)
{
    // Lua writes these as words, which would read back as (undefined) names.
    if (std::isnan(number))
        return QStringLiteral("0/0");
    if (std::isinf(number))
        return number > 0 ? QStringLiteral("1/0") : QStringLiteral("-1/0");
    char text[64];
    std::snprintf(text, sizeof text, "%.14g", number);
    return QString::fromLatin1(text);
}

QString Literal(const DataNode::Value &value)
{
    switch (value.kind) {
    case Kind::Boolean: return value.boolean ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Number: return NumberLiteral(value.number);
    case Kind::String: return StringLiteral(TextOf(value.bytes));
    default: return QString();
    }
}

QString KeyPart(const DataNode::Value &key)
{
    switch (key.kind) {
    case Kind::String: {
        const QString text = TextOf(key.bytes);
        if (LuaNames::IsName(text))
            return QLatin1Char('.') + text;
        return QLatin1Char('[') + LuaQuote::QuotedString(text) + QLatin1Char(']');
    }
    case Kind::Number:
    case Kind::Boolean: return QLatin1Char('[') + Literal(key) + QLatin1Char(']');
    default: return QString();
    }
}

QString KeyText(const DataNode::Value &key)
{
    const QString part = KeyPart(key);
    return part.isEmpty() ? QLatin1Char('[') + TypeText(key.kind) + QLatin1Char(']') : part;
}

QString ValueSuffix(const DataNode::Value &value)
{
    if (value.kind == Kind::Table)
        return QString();
    const QString literal = Literal(value);
    return QStringLiteral(" = ") + (literal.isEmpty() ? TypeText(value.kind) : literal);
}

QString SameAsSuffix(const QString &shownAt)
{
    return QStringLiteral(" = (см. ") + shownAt + QLatin1Char(')');
}

bool IsIndex(const DataNode::Value &key)
{
    return key.kind == Kind::Number && std::isfinite(key.number)
           && key.number == std::floor(key.number);
}

QString Path(const QString &uid, const QStringList &keyParts)
{
    return uid + QLatin1String(".data") + keyParts.join(QString());
}

QString SetStatement(const QString &path, const QString &text)
{
    return path + QLatin1String(" = ") + text;
}

QString DeleteStatement(const QString &path)
{
    return path + QLatin1String(" = nil");
}

QString RemoveStatement(const QString &tablePath, const QString &index)
{
    return QLatin1String("table.remove (") + tablePath + QLatin1String(", ") + index
           + QLatin1Char(')');
}

QString AddStatement(const QString &target, const QString &answer)
{
    static const QRegularExpression named(QStringLiteral("^\\s*[A-Za-z_][A-Za-z0-9_]*\\s*=(?!=)"));
    static const QRegularExpression bracketed(QStringLiteral("^\\s*\\["));
    if (named.match(answer).hasMatch())
        return target + QLatin1Char('.') + answer;
    if (bracketed.match(answer).hasMatch())
        return target + answer;
    return QLatin1String("table.insert(") + target + QLatin1String(", ") + answer + QLatin1Char(')');
}

} // namespace DataStatements
