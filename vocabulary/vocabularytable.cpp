#include "vocabulary/vocabularytable.h"

#include "script/codepage.h"
#include "vocabulary/vocabularyblock.h"

#include <QScopedValueRollback>

namespace {

QString FirstWord(const QString &text)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.isEmpty() ? QString() : words.first();
}

void TrimEnd(QStringList &row)
{
    while (!row.isEmpty() && row.last().isEmpty())
        row.removeLast();
}

// Letter case aside, and ё read as е, as the parser reads the words.
QChar Folded(QChar c)
{
    c = c.toCaseFolded();
    return c == QChar(0x0451) ? QChar(0x0435) : c;
}

QString Folded(const QString &text)
{
    QString folded = text;
    for (QChar &c : folded)
        c = Folded(c);
    return folded;
}

bool SameFolded(const QString &word, const QString &folded)
{
    if (word.size() != folded.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (Folded(word.at(i)) != folded.at(i))
            return false;
    }
    return true;
}

} // namespace

VocabularyTable::VocabularyTable(QObject *parent) : QAbstractTableModel(parent)
{
    m_rows.append(QStringList());
}

void VocabularyTable::Load(const QList<QStringList> &rows)
{
    beginResetModel();
    m_rows = rows;
    m_columns = kColumns;
    for (QStringList &row : m_rows) {
        TrimEnd(row);
        m_columns = qMax(m_columns, int(row.size()) + 1);
    }
    m_rows.append(QStringList());
    endResetModel();
}

QList<QStringList> VocabularyTable::WrittenRows() const
{
    QList<QStringList> written;
    for (const QStringList &row : m_rows) {
        if (row.isEmpty() || row.first().isEmpty())
            continue;
        // A gap not yet closed (a template emptied just before) loses none of the words after it.
        QStringList words;
        for (const QString &word : row) {
            if (!word.isEmpty())
                words.append(word);
        }
        written.append(words);
    }
    return written;
}

QString VocabularyTable::Cell(int column, int row) const
{
    if (row < 0 || row >= m_rows.size() || column < 0)
        return QString();
    return m_rows.at(row).value(column);
}

QString VocabularyTable::WordProblem(const QString &word)
{
    if (word.contains(QLatin1Char('\n')) || word.contains(QLatin1Char('\r')))
        return QStringLiteral("Слово «%1» не годится для словаря: в нем есть перевод строки.")
            .arg(QString(word).replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r')));
    const QByteArray bytes = CodePage::ToLua(word);
    if (CodePage::FromLua(bytes) != word)
        return QStringLiteral("Слово «%1» не годится для словаря: в нем есть знаки, которых нет в "
                              "кодировке Windows-1251.")
            .arg(word);
    return VocabularyBlock::WordProblem(bytes);
}

QModelIndex VocabularyTable::Arrive(const QModelIndex &from, const QModelIndex &to)
{
    const QScopedValueRollback<bool> busy(m_busy, true);
    if (!to.isValid())
        return QModelIndex();
    int column = to.column();
    int row = to.row();
    if (from.isValid() && Cell(from).isEmpty()) {
        const int c0 = from.column();
        const int r0 = from.row();
        if (c0 > 0) {
            if (CloseGap(c0, r0) && row == r0 && column > c0)
                --column;
        } else if (!EmptyFrom(r0)) {
            RemoveRow(r0);
            if (row > r0)
                --row;
        }
    }
    if (column > 0 && Cell(column - 1, row).isEmpty())
        return QModelIndex();
    return index(row, column);
}

bool VocabularyTable::EditCell(const QModelIndex &cell, const QString &text)
{
    const QScopedValueRollback<bool> busy(m_busy, true);
    if (!cell.isValid())
        return false;
    QString word = FirstWord(text);
    const QString problem = word.isEmpty() ? QString() : WordProblem(word);
    if (!problem.isEmpty()) {
        emit Refused(problem);
        return false;
    }
    if (cell.column() > 0 && Cell(cell.column() - 1, cell.row()).isEmpty())
        word.clear();
    if (word == Cell(cell))
        return false;
    SetCell(cell.column(), cell.row(), word);
    MakeRoom(cell.row());
    emit Edited();
    return true;
}

QModelIndex VocabularyTable::DeleteCell(const QModelIndex &cell)
{
    const QScopedValueRollback<bool> busy(m_busy, true);
    if (!cell.isValid())
        return cell;
    const int before = m_revision;
    SetCell(cell.column(), cell.row(), QString());
    const QModelIndex next = Arrive(cell, cell);
    if (m_revision != before)
        emit Edited();
    return next.isValid() ? next : index(cell.row(), 0);
}

QModelIndex VocabularyTable::Drop(const QModelIndex &source, const QModelIndex &target, bool insert)
{
    const QScopedValueRollback<bool> busy(m_busy, true);
    if (!source.isValid() || !target.isValid() || source == target || Cell(source).isEmpty())
        return QModelIndex();
    const int before = m_revision;
    QModelIndex selected;
    if (!insert) {
        selected = Swap(source, target);
    } else if (source.column() > 0) {
        selected = InsertWord(source, target.row());
    } else if (target.column() == 0) {
        m_rows.swapItemsAt(source.row(), target.row());
        RowChanged(source.row());
        RowChanged(target.row());
        selected = target;
    } else if (source.row() != target.row()) {
        // A row appended to itself would never end: such a drop changes nothing.
        selected = AppendRow(source.row(), target);
    }
    if (!selected.isValid())
        return selected;
    MakeRoom(selected.row());
    if (m_revision != before)
        emit Edited();
    return selected;
}

int VocabularyTable::FindRow(const QString &text) const
{
    if (text.isEmpty())
        return int(m_rows.size()) - 1;
    const QString folded = Folded(text);
    for (int row = 0; row < m_rows.size(); ++row) {
        for (const QString &word : m_rows.at(row)) {
            if (SameFolded(word, folded))
                return row;
        }
    }
    return -1;
}

int VocabularyTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int VocabularyTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant VocabularyTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return Cell(index);
}

bool VocabularyTable::setData(const QModelIndex &index, const QVariant &value, int role)
{
    return role == Qt::EditRole && EditCell(index, value.toString());
}

Qt::ItemFlags VocabularyTable::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void VocabularyTable::SetCell(int column, int row, const QString &word)
{
    QStringList &words = m_rows[row];
    if (column >= words.size()) {
        if (word.isEmpty())
            return;
        words.resize(column + 1);
    }
    words[column] = word;
    TrimEnd(words);
    ++m_revision;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

bool VocabularyTable::CloseGap(int column, int row)
{
    QStringList &words = m_rows[row];
    if (column >= words.size() || !words.at(column).isEmpty())
        return false;
    words.removeAt(column);
    TrimEnd(words);
    RowChanged(row, column);
    return true;
}

bool VocabularyTable::EmptyFrom(int row) const
{
    for (int r = row; r < m_rows.size(); ++r) {
        if (!m_rows.at(r).isEmpty())
            return false;
    }
    return true;
}

void VocabularyTable::RemoveRow(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    // The table keeps its number of rows.
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size()));
    m_rows.append(QStringList());
    endInsertRows();
    ++m_revision;
}

void VocabularyTable::InsertRow(int row)
{
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(row, QStringList());
    endInsertRows();
    ++m_revision;
}

void VocabularyTable::MakeRoom(int row)
{
    if (row == m_rows.size() - 1 && !m_rows.last().isEmpty()) {
        beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size()));
        m_rows.append(QStringList());
        endInsertRows();
    }
    const int needed = int(m_rows.at(row).size()) + 1;
    if (needed > m_columns) {
        beginInsertColumns(QModelIndex(), m_columns, needed - 1);
        m_columns = needed;
        endInsertColumns();
    }
}

QModelIndex VocabularyTable::Swap(const QModelIndex &source, const QModelIndex &target)
{
    const QString sourceWord = Cell(source);
    const QString targetWord = Cell(target);
    SetCell(source.column(), source.row(), targetWord);
    SetCell(target.column(), target.row(), sourceWord);
    int column = target.column();
    if (targetWord.isEmpty() && CloseGap(source.column(), source.row())
        && target.row() == source.row() && column > source.column())
        --column;
    return index(target.row(), column);
}

QModelIndex VocabularyTable::InsertWord(const QModelIndex &source, int targetRow)
{
    const QString word = Cell(source);
    int sourceRow = source.row();
    InsertRow(targetRow);
    if (targetRow <= sourceRow)
        ++sourceRow;
    SetCell(source.column(), sourceRow, QString());
    CloseGap(source.column(), sourceRow);
    SetCell(0, targetRow, word);
    return index(targetRow, 0);
}

QModelIndex VocabularyTable::AppendRow(int sourceRow, const QModelIndex &target)
{
    QStringList &words = m_rows[target.row()];
    for (const QString &word : m_rows.at(sourceRow)) {
        if (!word.isEmpty())
            words.append(word);
    }
    RowChanged(target.row());
    RemoveRow(sourceRow);
    return index(sourceRow < target.row() ? target.row() - 1 : target.row(), target.column());
}

void VocabularyTable::RowChanged(int row, int fromColumn)
{
    ++m_revision;
    emit dataChanged(index(row, fromColumn), index(row, m_columns - 1));
}
