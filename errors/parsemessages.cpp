#include "errors/parsemessages.h"

#include "script/luaquote.h"

namespace ParseMessages {

QString Caption(int n)
{
    static const char *const captions[kCount] = {
        "Ожидается глагол",
        "Неизвестное слово",
        "Неопределенное местоимение",
        "Неправильное использование союза \"и\"",
        "На сцене нет указанного объекта",
        "Для указанного объекта не определено действие",
        "Слишком много объектов с таким именем на сцене",
        "Неопределенное действие по команде \"опять\"",
        "Неправильный синтаксис",
    };
    return n >= 1 && n <= kCount ? QString::fromUtf8(captions[n - 1]) : QString();
}

QString Expression(const QString &n)
{
    return QStringLiteral("PARSE_ERROR [") + n + QLatin1Char(']');
}

QString ToEditor(const QString &message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString FromEditor(const QString &raw)
{
    // The document's raw text parts paragraphs with U+2029 and may hold U+2028 for a line break
    // typed with Shift+Enter; both are a line of the message.
    QString text = raw;
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    text.replace(QChar(0x2028), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

QString Assignment(const QString &n, const QString &raw)
{
    return Expression(n) + QStringLiteral(" = ") + LuaQuote::LongString(FromEditor(raw));
}

} // namespace ParseMessages
