#include "properties/autosubstitution.h"

namespace {

constexpr int kHistoryLength = 8;
const QChar kEnter(u'\r');

int LeadingTabs(const QString &line)
{
    int tabs = 0;
    while (tabs < line.size() && line.at(tabs) == QLatin1Char('\t'))
        ++tabs;
    return tabs;
}

QString Tabs(int count)
{
    return QString(count, QLatin1Char('\t'));
}

bool HasVisibleCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 32)
            return true;
    }
    return false;
}

} // namespace

void AutoSubstitution::Record(const QString &entered)
{
    m_history = (m_history + entered).right(kHistoryLength);
}

bool AutoSubstitution::HistoryEndsWith(const char *tail) const
{
    return m_history.endsWith(QLatin1String(tail));
}

AutoSubstitution::Edit AutoSubstitution::Press(QChar typed, const QString &line, int column)
{
    Record(typed);
    const int tabs = LeadingTabs(line);
    Edit edit;
    edit.consumed = true;
    edit.at = column;
    bool block = HistoryEndsWith("then\r") || HistoryEndsWith("do\r");
    if (HistoryEndsWith("then\r") && line.contains(QLatin1String("elseif"))) {
        // An elseif branch is indented like an else branch and has no end of its own.
        m_history = QStringLiteral("012else\r");
        block = false;
    }
    if (block) {
        edit.text = QLatin1Char('\n') + Tabs(tabs + 1) + QLatin1Char('\n') + Tabs(tabs)
                    + QLatin1String("end");
        edit.caret = column + 1 + tabs + 1;
    } else if (HistoryEndsWith("[[")) {
        // The closing bracket's characters are not typed ones: they enter no history.
        edit.text = QStringLiteral("[\n]]");
        edit.caret = column + 2;
        return edit;
    } else if (HistoryEndsWith("else\r")) {
        edit.text = QLatin1Char('\n') + Tabs(tabs + 1);
        edit.caret = column + edit.text.size();
    } else if (typed == kEnter) {
        const QString left = line.left(column);
        if (HasVisibleCharacter(left)) {
            edit.text = QLatin1Char('\n') + Tabs(tabs);
            edit.caret = column + edit.text.size();
        } else {
            // Only indentation before the caret: the line moves down whole, leaving that
            // indentation on a line of its own above it.
            edit.at = 0;
            edit.text = left + QLatin1Char('\n');
            edit.caret = column + edit.text.size();
        }
    } else {
        return Edit();
    }
    Record(edit.text);
    return edit;
}
