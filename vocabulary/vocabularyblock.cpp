#include "vocabulary/vocabularyblock.h"

#include "script/codepage.h"

namespace {

struct Line
{
    qsizetype begin;
    qsizetype end;  // end of the text, before its line break
    qsizetype next; // start of the next line
};

// The lines of a file; a line break is LF or CR LF, and the last line may have none.
QList<Line> LinesOf(const QByteArray &file)
{
    QList<Line> lines;
    qsizetype begin = 0;
    while (begin < file.size()) {
        const qsizetype feed = file.indexOf('\n', begin);
        if (feed < 0) {
            lines.append({begin, file.size(), file.size()});
            break;
        }
        const qsizetype end = feed > begin && file.at(feed - 1) == '\r' ? feed - 1 : feed;
        lines.append({begin, end, feed + 1});
        begin = feed + 1;
    }
    return lines;
}

QByteArrayView TextOf(const QByteArray &file, const Line &line)
{
    return QByteArrayView(file).sliced(line.begin, line.end - line.begin);
}

VocabularyBlock::Row WordsOf(QByteArrayView text)
{
    VocabularyBlock::Row row;
    qsizetype at = 0;
    while (at < text.size()) {
        while (at < text.size() && text.at(at) == ' ')
            ++at;
        const qsizetype start = at;
        while (at < text.size() && text.at(at) != ' ')
            ++at;
        if (at > start)
            row.append(text.sliced(start, at - start).toByteArray());
    }
    return row;
}

QList<VocabularyBlock::Row> WithoutEmptyRows(const QList<VocabularyBlock::Row> &rows)
{
    QList<VocabularyBlock::Row> kept;
    for (const VocabularyBlock::Row &row : rows) {
        if (!row.isEmpty())
            kept.append(row);
    }
    return kept;
}

// Whether a long bracket of either kind starts at `at`: "[[", "[=[", ... or "]]", "]=]", ...
bool LongBracketAt(const QByteArray &word, qsizetype at)
{
    const char open = word.at(at);
    if (open != '[' && open != ']')
        return false;
    qsizetype end = at + 1;
    while (end < word.size() && word.at(end) == '=')
        ++end;
    return end < word.size() && word.at(end) == open;
}

} // namespace

VocabularyBlock VocabularyBlock::Read(const QByteArray &file)
{
    VocabularyBlock block;
    block.m_file = file;
    const QList<Line> lines = LinesOf(file);
    const QByteArray marker = Marker();
    const QByteArray endMarker = EndMarker();
    for (qsizetype m = 0; m < lines.size(); ++m) {
        if (TextOf(file, lines[m]) != marker)
            continue;
        qsizetype e = m + 2;
        while (e < lines.size() && TextOf(file, lines[e]) != endMarker)
            ++e;
        // The header and the footer are two lines of their own.
        if (e >= lines.size() || e < m + 3)
            continue;
        block.m_found = true;
        block.m_dataBegin = lines[m + 2].begin;
        block.m_dataEnd = lines[e - 1].begin;
        const Line &header = lines[m + 1];
        block.m_lineEnd = file.mid(header.end, header.next - header.end);
        block.m_rows.clear();
        for (qsizetype d = m + 2; d < e - 1; ++d)
            block.m_rows.append(WordsOf(TextOf(file, lines[d])));
        m = e;
    }
    return block;
}

QByteArray VocabularyBlock::Written(const QList<Row> &rows) const
{
    const QList<Row> written = WithoutEmptyRows(rows);
    if (!m_found || written == WithoutEmptyRows(m_rows))
        return m_file;
    QByteArray data;
    for (const Row &row : written) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                data += ' ';
            data += row[i];
        }
        data += m_lineEnd;
    }
    return m_file.left(m_dataBegin) + data + m_file.mid(m_dataEnd);
}

QString VocabularyBlock::WordProblem(const QByteArray &word)
{
    for (qsizetype at = 0; at < word.size(); ++at) {
        if (LongBracketAt(word, at))
            return QStringLiteral("Слово «%1» не годится для словаря: скобки вида [[, ]], [==[ "
                                  "или ]==] разорвали бы текст файла.")
                .arg(CodePage::FromLua(word));
    }
    return QString();
}

QString VocabularyBlock::RowProblem(const Row &row)
{
    for (const QByteArray &word : row) {
        const QString problem = WordProblem(word);
        if (!problem.isEmpty())
            return problem;
    }
    const QByteArray line = row.join(' ');
    if (line == Marker() || line == EndMarker())
        return QStringLiteral("Строка «%1» не годится для словаря: она читалась бы как отметка "
                              "блока словаря.")
            .arg(CodePage::FromLua(line));
    return QString();
}
