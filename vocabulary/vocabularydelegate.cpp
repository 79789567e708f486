#include "vocabulary/vocabularydelegate.h"

#include "vocabulary/vocabularygrid.h"
#include "vocabulary/vocabularytable.h"

#include <QLineEdit>
#include <QPainter>

namespace {

const QColor kRed(255, 0, 0);
constexpr int kPenWidth = 2;

enum Edge { Left = 1, Top = 2, Right = 4, Bottom = 8, AllEdges = 15 };

void DrawEdges(QPainter *painter, const QRect &rect, int edges, const QPen &pen)
{
    // The 2-pixel lines lie just inside the cell, so a neighbour's white fill never covers them.
    const QRectF frame = QRectF(rect).adjusted(1, 1, -1, -1);
    painter->setPen(pen);
    if (edges & Left)
        painter->drawLine(frame.topLeft(), frame.bottomLeft());
    if (edges & Top)
        painter->drawLine(frame.topLeft(), frame.topRight());
    if (edges & Right)
        painter->drawLine(frame.topRight(), frame.bottomRight());
    if (edges & Bottom)
        painter->drawLine(frame.bottomLeft(), frame.bottomRight());
}

QPen FramePen(const QColor &colour, Qt::PenStyle style = Qt::SolidLine)
{
    return QPen(colour, kPenWidth, style, Qt::SquareCap, Qt::MiterJoin);
}

} // namespace

VocabularyDelegate::Placement VocabularyDelegate::PlacementOf(const QString &word)
{
    const bool atStart = word.startsWith(QLatin1Char('*'));
    const bool atEnd = word.endsWith(QLatin1Char('*'));
    if (atStart && !atEnd)
        return Placement::Left;
    if (atEnd && !atStart)
        return Placement::Right;
    return Placement::Centre;
}

VocabularyDelegate::VocabularyDelegate(VocabularyGrid *grid) : QStyledItemDelegate(grid), m_grid(grid)
{
}

void VocabularyDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const QRect rect = option.rect;
    painter->fillRect(rect, Qt::white);
    const QString word = index.data().toString();
    if (!word.isEmpty()) {
        QFont font = option.font;
        font.setBold(index.column() == 0);
        painter->setFont(font);
        painter->setPen(Qt::black);
        const Placement placement = PlacementOf(word);
        int alignment = Qt::AlignHCenter;
        if (placement == Placement::Left)
            alignment = Qt::AlignLeft;
        else if (placement == Placement::Right)
            alignment = Qt::AlignRight;
        const QRect box = placement == Placement::Centre
                              ? rect
                              : rect.adjusted(kStarMargin, 0, -kStarMargin, 0);
        painter->save();
        painter->setClipRect(rect);
        painter->drawText(box, alignment | Qt::AlignVCenter | Qt::TextSingleLine, word);
        painter->restore();
    }
    PaintFrame(painter, rect, index);
}

// The grid shows no lines of its own: cells are white, and only the red frames mark the
// selection.
void VocabularyDelegate::PaintFrame(QPainter *painter, const QRect &rect,
                                    const QModelIndex &index) const
{
    const QModelIndex current = m_grid->currentIndex();
    const VocabularyTable *table = m_grid->Table();
    const bool selectedRow = current.isValid() && current.row() == index.row();
    if (selectedRow && current.column() == 0) {
        // A key word selected: one box round the row's words.
        const int column = index.column();
        const bool filled = !table->Cell(index).isEmpty();
        int edges = column == 0 ? Left | Top | Bottom : filled ? Top | Bottom : 0;
        if (filled && table->Cell(column + 1, index.row()).isEmpty())
            edges |= Right;
        if (edges != 0)
            DrawEdges(painter, rect, edges, FramePen(kRed));
    } else if (index == current) {
        DrawEdges(painter, rect, AllEdges, FramePen(kRed));
    }
    const QModelIndex source = m_grid->DragSource();
    if (!source.isValid())
        return;
    if (index == source)
        DrawEdges(painter, rect, AllEdges, FramePen(Qt::darkGray, Qt::DashLine));
    // A template inserted opens a new row above the one under the pointer.
    if (m_grid->InsertMode() && source.column() > 0 && selectedRow)
        DrawEdges(painter, rect, Top, FramePen(kRed));
}

QWidget *VocabularyDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    Q_UNUSED(option)
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    QFont font = editor->font();
    font.setBold(index.column() == 0);
    editor->setFont(font);
    editor->setAccessibleName(QStringLiteral("Vocabulary"));
    return editor;
}
