#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The word table of the vocabulary grid: one row per data line, the key word in column 0 and the
// templates after it, with at least one empty row at the end. The rules that keep a row's words
// together from column 0 live here, so the grid only asks and shows:
// - a cell holds one word, never a space;
// - a cell whose left neighbour is empty cannot be selected;
// - a cell left empty closes its gap when the selection leaves it: the words right of it move
//   left, or, for a key word, the whole row goes and the rows below move up.
class VocabularyTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kColumns = 50;

    explicit VocabularyTable(QObject *parent = nullptr);

    // Replaces every row: the given rows, one empty row, 50 columns (more for a longer row).
    void Load(const QList<QStringList> &rows);
    // The rows as they are written: each row's words in order, rows without a key word left out.
    QList<QStringList> WrittenRows() const;

    QString Cell(int column, int row) const;
    QString Cell(const QModelIndex &index) const { return Cell(index.column(), index.row()); }

    // The selection moves from `from` to `to`: the gap left at `from` closes when that cell is
    // empty now, and the cell `to` named is returned where it lies afterwards; an invalid index
    // when it cannot be selected.
    QModelIndex Arrive(const QModelIndex &from, const QModelIndex &to);

    // The author typed text into a cell: only its first word is kept; a word typed into the
    // last row or column grows the table; a cell whose left neighbour is empty stays empty.
    // A word that cannot go into the file is refused (Refused is emitted) and the cell keeps
    // its word. True when the cell changed.
    bool EditCell(const QModelIndex &index, const QString &text);

    // Empties the cell and closes its gap at once; returns the cell to select.
    QModelIndex DeleteCell(const QModelIndex &index);

    // A cell dragged onto another. Swap exchanges their words; insert opens a new row at the
    // target for a template, exchanges two rows for a key word dropped on a key word, and
    // appends a whole row to another for a key word dropped on a template. Returns the cell to
    // select afterwards, or an invalid index when nothing changed.
    QModelIndex Drop(const QModelIndex &source, const QModelIndex &target, bool insert);

    // The first row holding a cell equal to the text, letter case and ё/е aside; the last row
    // for an empty text; -1 when none matches.
    int FindRow(const QString &text) const;
    // True while an operation changes the table; the selection waits for its result.
    bool Busy() const { return m_busy; }

    // Why a word cannot go into a vocabulary file (a character outside Windows-1251, a long
    // bracket); empty when it can.
    static QString WordProblem(const QString &word);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The table changed by the author's hand (not by Load).
    void Edited();
    // A typed word was refused; the message says why.
    void Refused(const QString &message);

private:
    void SetCell(int column, int row, const QString &word);
    // Moves the words right of the cell one column left; true when any moved.
    bool CloseGap(int column, int row);
    // Takes the row out; the rows below move up and an empty row joins the end.
    void RemoveRow(int row);
    bool EmptyFrom(int row) const;
    void InsertRow(int row);
    // Keeps an empty row last and a free column right of every row's words.
    void MakeRoom(int row);
    QModelIndex Swap(const QModelIndex &source, const QModelIndex &target);
    QModelIndex InsertWord(const QModelIndex &source, int targetRow);
    QModelIndex AppendRow(int sourceRow, const QModelIndex &target);
    void RowChanged(int row, int fromColumn = 0);

    QList<QStringList> m_rows; // no row ends with an empty cell
    int m_columns = kColumns;
    bool m_busy = false;
    int m_revision = 0; // counts every change, so an operation knows whether it changed anything
};
