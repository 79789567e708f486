#include "tree/markdelegate.h"

#include "tree/namemarks.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

MarkDelegate::MarkDelegate(const NameMarks &marks, QObject *parent)
    : QStyledItemDelegate(parent), m_marks(marks)
{
}

void MarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!m_marks.Underlines(index.data(Qt::DisplayRole).toString()))
        return;
    QStyleOptionViewItem node(option);
    initStyleOption(&node, index);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(MarkColour(), 1));
    painter->drawLine(UnderLine(node));
    painter->restore();
}

QLine MarkDelegate::UnderLine(const QStyleOptionViewItem &option)
{
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The style gives the text the rest of the row; the label is the text with its margins.
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int width = option.fontMetrics.horizontalAdvance(option.text) + 2 * margin;
    const int right = qMin(text.right(), text.left() + width - 1);
    return QLine(text.left(), text.bottom(), right, text.bottom());
}
