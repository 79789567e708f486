#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The word lines of a vocabulary file, the one part of it the vocabulary editor understands:
//
//   -- vocabulary        marker
//   <header>             any text, kept
//   <data lines>         one row of words each, words separated by spaces
//   <footer>             any text, kept
//   -- /vocabulary       end marker
//
// Everything else in the file is kept byte for byte, line endings included. Of several blocks
// the last is the one read and written: it is also the one the file puts in force when it runs.
// A marker without an end marker after it, or without room for the header and the footer, does
// not make a block. The file is Windows-1251 bytes and stays bytes here.
class VocabularyBlock
{
public:
    using Row = QList<QByteArray>;

    static QByteArray Marker() { return QByteArrayLiteral("-- vocabulary"); }
    static QByteArray EndMarker() { return QByteArrayLiteral("-- /vocabulary"); }

    // Finds the block in the bytes of a file.
    static VocabularyBlock Read(const QByteArray &file);

    bool Found() const { return m_found; }
    // The words of each data line in file order; a blank line gives an empty row. Runs of spaces
    // count as one separator; a tab is part of a word.
    const QList<Row> &Rows() const { return m_rows; }

    // The file with the data lines replaced by rows (empty rows left out), each row's words
    // joined by single spaces and ended like the header line. Rows equal to those read give the
    // file unchanged. Only meaningful when Found().
    QByteArray Written(const QList<Row> &rows) const;

    // Why a word cannot go into a vocabulary file: a long bracket ("[[", "]==]", ...) would end
    // the Lua string the data lines are kept in, or open a nested one. Empty when it can.
    static QString WordProblem(const QByteArray &word);
    // The same for a whole row: also a line that would read as one of the markers.
    static QString RowProblem(const Row &row);

private:
    QByteArray m_file;
    bool m_found = false;
    qsizetype m_dataBegin = 0; // where the first data line starts
    qsizetype m_dataEnd = 0;   // where the footer starts
    QByteArray m_lineEnd;
    QList<Row> m_rows;
};
