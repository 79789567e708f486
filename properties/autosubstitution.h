#pragma once

#include <QString>

// What the method editor enters on the author's behalf while "Автоподстановки" is ticked: an
// `end` after `then` or `do` and Enter, one more level of indentation after `else` or `elseif`,
// the closing of a long bracket, and the line's indentation kept on Enter. The rules look at the
// characters typed (the last eight), not at the text: "then" typed and then Enter completes a
// block wherever the caret is. Indentation is counted in TABs at the start of the line.
class AutoSubstitution
{
public:
    // One typed character's effect. When consumed, the character itself is not entered; `text`
    // goes in at `at` instead and the caret goes to `caret`, both counted in characters from the
    // start of the caret's line (a line break counts one).
    struct Edit
    {
        bool consumed = false;
        int at = 0;
        QString text;
        int caret = 0;
    };

    // `typed` is the character a key delivers (CR for Enter, TAB, BS for Backspace); `line` is the
    // caret's line before it takes effect and `column` the caret's place in it.
    Edit Press(QChar typed, const QString &line, int column);

    // The last eight characters typed or entered by the rules, oldest first.
    const QString &History() const { return m_history; }

private:
    void Record(const QString &entered);
    bool HistoryEndsWith(const char *tail) const;

    QString m_history = QStringLiteral("01234567");
};
