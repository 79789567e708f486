#include "play/transcript.h"

namespace Transcript {

namespace {

const QLatin1String kPrompt("> ");

QString Shown(const QString &line)
{
    return line.isNull() ? QStringLiteral("(конец стенограммы)") : line;
}

} // namespace

QStringList Lines(const QString &text)
{
    QString clean = text;
    clean.remove(QLatin1Char('\r'));
    QStringList lines = clean.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString Text(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1Char('\n');
    return text;
}

Difference Compare(const QStringList &expected, const QStringList &actual)
{
    Difference difference;
    const qsizetype count = qMax(expected.size(), actual.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (i < expected.size() && i < actual.size() && expected[i] == actual[i]) {
            if (actual[i].startsWith(kPrompt))
                difference.input = actual[i].mid(kPrompt.size());
            continue;
        }
        difference.line = int(i + 1);
        difference.expected = i < expected.size() ? expected[i] : QString();
        difference.actual = i < actual.size() ? actual[i] : QString();
        return difference;
    }
    return Difference();
}

QStringList Describe(const Difference &difference)
{
    const QString after = difference.input.isNull()
                              ? QStringLiteral("до первого хода")
                              : QStringLiteral("после ввода «%1»").arg(difference.input);
    return {QStringLiteral("Стенограмма расходится с ожидаемой в строке %1 (%2):").arg(difference.line).arg(after),
            QStringLiteral("  ожидалось: %1").arg(Shown(difference.expected)),
            QStringLiteral("  получено:  %1").arg(Shown(difference.actual))};
}

} // namespace Transcript
