#include "properties/keywordstyler.h"

#include "script/luanames.h"

namespace {

constexpr qsizetype kShortestKeyword = 2;
constexpr qsizetype kLongestKeyword = 8;

bool IsSeparator(QChar c)
{
    const char16_t u = c.unicode();
    // A block's text can hold the line separator a Shift+Enter enters.
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == QChar::LineSeparator
           || u == QChar::ParagraphSeparator;
}

} // namespace

KeywordStyler::KeywordStyler(QTextDocument *document) : QSyntaxHighlighter(document)
{
    m_bold.setFontWeight(QFont::Bold);
}

bool KeywordStyler::IsKeyword(QStringView word)
{
    if (word.size() < kShortestKeyword || word.size() > kLongestKeyword)
        return false;
    char lower[kLongestKeyword];
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t u = word.at(i).unicode();
        if (u >= 'A' && u <= 'Z')
            lower[i] = char(u - 'A' + 'a');
        else if (u >= 'a' && u <= 'z')
            lower[i] = char(u);
        else
            return false;
    }
    return LuaNames::IsKeyword(QString::fromLatin1(lower, word.size()));
}

QList<QPair<int, int>> KeywordStyler::KeywordRanges(QStringView line)
{
    QList<QPair<int, int>> ranges;
    qsizetype at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsSeparator(line.at(at)))
            ++at;
        const qsizetype start = at;
        while (at < line.size() && !IsSeparator(line.at(at)))
            ++at;
        if (at > start && IsKeyword(line.mid(start, at - start)))
            ranges.append({int(start), int(at - start)});
    }
    return ranges;
}

void KeywordStyler::highlightBlock(const QString &text)
{
    for (const QPair<int, int> &range : KeywordRanges(text))
        setFormat(range.first, range.second, m_bold);
}
