#pragma once

#include <QLine>
#include <QStyledItemDelegate>

class NameMarks;

// Paints a node as the view does, then, while two or more names are marked, underlines the label
// of every node bearing a marked name in red.
class MarkDelegate : public QStyledItemDelegate
{
public:
    MarkDelegate(const NameMarks &marks, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The line under a node's label: along the row one pixel above the bottom of the label's
    // rectangle (its last row of pixels), from its left to its right edge. The option must have
    // been initialised for the node.
    static QLine UnderLine(const QStyleOptionViewItem &option);

    static QColor MarkColour() { return QColor(255, 0, 0); }

private:
    const NameMarks &m_marks;
};
