#pragma once

#include <QStyledItemDelegate>

class VocabularyGrid;

// Draws the vocabulary grid's cells: white, the key word column bold, a template placed by its
// stars (left for "*x", right for "x*", centred otherwise); a red frame round the selected cell,
// or round the whole row when a key word is selected; while a cell is dragged, a dashed frame
// round it and, for an insert that opens a new row, a red line where the row will open.
// Edits a cell in a plain one-line editor.
class VocabularyDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kCellWidth = 80;
    static constexpr int kCellHeight = 16;
    // Where a template with one star sits from the cell's edge.
    static constexpr int kStarMargin = 5;

    enum class Placement { Left, Centre, Right };
    // How a word sits in its cell, by its stars.
    static Placement PlacementOf(const QString &word);

    explicit VocabularyDelegate(VocabularyGrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;

private:
    void PaintFrame(QPainter *painter, const QRect &rect, const QModelIndex &index) const;

    VocabularyGrid *m_grid;
};
