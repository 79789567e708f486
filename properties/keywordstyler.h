#pragma once

#include <QList>
#include <QPair>
#include <QStringView>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

// Shows Lua's reserved words in bold in the method editor. A word is a run of characters between
// separators (blanks, TABs, line breaks), punctuation included, so "end)" and "--end" are not
// keywords; letter case does not matter ("END", "Then"). Keywords inside strings and comments are
// bold like any other. The styling lives in the layout only: the text, its formats and the undo
// history are never touched, so the editor's text is always exactly what the author typed.
class KeywordStyler : public QSyntaxHighlighter
{
public:
    explicit KeywordStyler(QTextDocument *document);

    // The start and length of every keyword in a line.
    static QList<QPair<int, int>> KeywordRanges(QStringView line);
    static bool IsKeyword(QStringView word);

protected:
    void highlightBlock(const QString &text) override;

private:
    QTextCharFormat m_bold;
};
