#include "map/mapsurface.h"

#include "tree/itemimages.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

namespace {

constexpr int kImageSize = ItemImages::kSize;
constexpr int kCaptionPadding = 2;
// Room left beyond the farthest icon, so an icon can always be dropped further out.
constexpr int kMargin = 2 * MapGrid::kCell;

} // namespace

TMapSurface::TMapSurface(QWidget *parent)
    : QAbstractScrollArea(parent), m_image(QPixmap::fromImage(ItemImages::Draw(ItemImages::Owned)))
{
    setObjectName(QStringLiteral("Map"));
    setAccessibleName(QStringLiteral("Map"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    horizontalScrollBar()->setSingleStep(MapGrid::kCell);
    verticalScrollBar()->setSingleStep(MapGrid::kCell);
    m_captionHeight = fontMetrics().height();
    UpdateScrollBars();
}

int TMapSurface::AddIcon(const QString &caption, QPoint position)
{
    const int id = m_icons.Add(caption, position);
    Extend(m_icons.At(m_icons.Count() - 1));
    Changed();
    return id;
}

void TMapSurface::MoveIcon(int id, QPoint position)
{
    const int index = m_icons.IndexOf(id);
    if (index < 0)
        return;
    m_icons.Move(index, position);
    Extend(m_icons.At(index));
    Changed();
}

void TMapSurface::RemoveIcon(int id)
{
    const int index = m_icons.IndexOf(id);
    if (index < 0)
        return;
    m_icons.Remove(index);
    if (m_selected == id)
        m_selected = 0;
    ResetExtent();
    Changed();
}

void TMapSurface::ClearIcons()
{
    m_icons.Clear();
    m_selected = 0;
    ResetExtent();
    Changed();
}

QPoint TMapSurface::Origin() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TMapSurface::Select(int id)
{
    if (m_selected == id)
        return;
    m_selected = id;
    viewport()->update();
}

const QStaticText &TMapSurface::Caption(const QString &caption) const
{
    auto found = m_captions.find(caption);
    if (found == m_captions.end()) {
        // Captions of icons long gone are let go now and then.
        if (m_captions.size() > 4 * m_icons.Count() + 64)
            m_captions.clear();
        QStaticText text(caption);
        text.setTextFormat(Qt::PlainText);
        text.prepare(QTransform(), font());
        found = m_captions.insert(caption, text);
    }
    return found.value();
}

QRect TMapSurface::IconRect(const MapIcon &icon) const
{
    const QRect picture(icon.position, QSize(kImageSize, kImageSize));
    const int width = qCeil(Caption(icon.caption).size().width()) + 2 * kCaptionPadding;
    const QRect caption(icon.position.x() + kImageSize / 2 - width / 2, picture.bottom() + 2, width,
                        m_captionHeight);
    return picture | caption;
}

int TMapSurface::IconAt(QPoint windowPoint) const
{
    const QPoint at = MapGrid::ToMap(windowPoint, Origin());
    // The icon painted last lies on top.
    for (int i = m_icons.Count() - 1; i >= 0; --i)
        if (IconRect(m_icons.At(i)).contains(at))
            return i;
    return -1;
}

void TMapSurface::Extend(const MapIcon &icon)
{
    m_extent |= IconRect(icon);
    UpdateScrollBars();
}

void TMapSurface::ResetExtent()
{
    m_extent = QRect();
    for (int i = 0; i < m_icons.Count(); ++i)
        m_extent |= IconRect(m_icons.At(i));
    UpdateScrollBars();
}

void TMapSurface::UpdateScrollBars()
{
    const QSize shown = viewport()->size();
    const int right = m_extent.isValid() ? m_extent.right() + kMargin : 0;
    const int bottom = m_extent.isValid() ? m_extent.bottom() + kMargin : 0;
    horizontalScrollBar()->setRange(0, qMax(0, right - shown.width()));
    verticalScrollBar()->setRange(0, qMax(0, bottom - shown.height()));
    horizontalScrollBar()->setPageStep(shown.width());
    verticalScrollBar()->setPageStep(shown.height());
}

void TMapSurface::Changed()
{
    // Icons the engine puts in place while a paint runs are painted by that paint.
    if (!m_painting)
        viewport()->update();
}

void TMapSurface::DrawLine(const QString &a, const QString &b)
{
    if (!m_painting)
        return;
    const int from = m_icons.LastOf(a);
    const int to = m_icons.LastOf(b);
    if (from < 0 || to < 0)
        return;
    const QPoint shift = QPoint(MapGrid::kAnchor, MapGrid::kAnchor) - Origin();
    m_lines.emplace_back(m_icons.At(from).position + shift, m_icons.At(to).position + shift);
}

void TMapSurface::paintEvent(QPaintEvent *event)
{
    // A paint that comes while the engine draws (a long draw lets events through) only paints.
    std::vector<QLine> lines;
    if (m_handler && !m_painting) {
        m_painting = true;
        m_lines.clear();
        m_handler->MapPrePaint();
        m_painting = false;
        lines.swap(m_lines);
    }
    QPainter painter(viewport());
    PaintPage(painter, event->rect(), lines);
}

void TMapSurface::PaintPage(QPainter &painter, const QRect &exposed, const std::vector<QLine> &lines)
{
    const QPoint origin = Origin();
    painter.fillRect(exposed, palette().color(QPalette::Base));

    // The grid the icons snap to, faintly.
    painter.setPen(QColor(236, 236, 236));
    const int cell = MapGrid::kCell;
    for (int x = exposed.left() - (exposed.left() + origin.x()) % cell; x <= exposed.right(); x += cell)
        painter.drawLine(x, exposed.top(), x, exposed.bottom());
    for (int y = exposed.top() - (exposed.top() + origin.y()) % cell; y <= exposed.bottom(); y += cell)
        painter.drawLine(exposed.left(), y, exposed.right(), y);

    QPen pen(Qt::black);
    pen.setWidth(3);
    painter.setPen(pen);
    if (!lines.empty())
        painter.drawLines(lines.data(), int(lines.size()));

    const QPalette colours = palette();
    for (int i = 0; i < m_icons.Count(); ++i) {
        const MapIcon &icon = m_icons.At(i);
        const QRect area = IconRect(icon).translated(-origin);
        if (!area.intersects(exposed))
            continue;
        painter.drawPixmap(icon.position - origin, m_image);
        const QRect caption(area.left(), area.top() + kImageSize + 2, area.width(),
                            area.height() - kImageSize - 2);
        const bool selected = icon.id == m_selected;
        // The caption stands on its own ground, so the lines beneath do not cross its letters.
        painter.fillRect(caption, colours.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base));
        painter.setPen(colours.color(QPalette::Active,
                                     selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawStaticText(caption.left() + kCaptionPadding, caption.top(), Caption(icon.caption));
    }
}

void TMapSurface::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TMapSurface::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_captions.clear();
        m_captionHeight = fontMetrics().height();
        ResetExtent();
    }
}

void TMapSurface::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TMapSurface::mousePressEvent(QMouseEvent *event)
{
    const int index = IconAt(event->position().toPoint());
    Select(index >= 0 ? m_icons.At(index).id : 0);
    m_pressAt = event->position().toPoint();
    QAbstractScrollArea::mousePressEvent(event);
}

void TMapSurface::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_selected == 0
        || (event->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    const int index = m_icons.IndexOf(m_selected);
    if (index < 0)
        return;
    m_dragged = m_selected;
    auto *data = new QMimeData;
    data->setText(m_icons.At(index).caption);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(m_image);
    drag->exec(Qt::MoveAction);
}

void TMapSurface::StepSelection(int step)
{
    if (m_icons.Count() == 0)
        return;
    const int index = m_icons.IndexOf(m_selected);
    const int next = index < 0 ? (step > 0 ? 0 : m_icons.Count() - 1)
                               : qBound(0, index + step, m_icons.Count() - 1);
    Select(m_icons.At(next).id);
    const QRect area = IconRect(m_icons.At(next));
    horizontalScrollBar()->setValue(qMin(horizontalScrollBar()->value(), area.left()));
    horizontalScrollBar()->setValue(qMax(horizontalScrollBar()->value(), area.right() - viewport()->width() + 1));
    verticalScrollBar()->setValue(qMin(verticalScrollBar()->value(), area.top()));
    verticalScrollBar()->setValue(qMax(verticalScrollBar()->value(), area.bottom() - viewport()->height() + 1));
}

void TMapSurface::MoveSelected(QPoint by)
{
    const int index = m_icons.IndexOf(m_selected);
    if (index < 0)
        return;
    // Nothing is placed left of or above the origin, where it could not be scrolled to.
    const QPoint to = m_icons.At(index).position + by;
    if (to.x() >= 0 && to.y() >= 0)
        MoveIcon(m_selected, to);
}

void TMapSurface::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int cell = MapGrid::kCell;
    switch (event->key()) {
    case Qt::Key_Delete:
        if (m_handler)
            m_handler->MapDelete();
        return;
    case Qt::Key_Right:
        ctrl ? MoveSelected(QPoint(cell, 0)) : StepSelection(1);
        return;
    case Qt::Key_Down:
        ctrl ? MoveSelected(QPoint(0, cell)) : StepSelection(1);
        return;
    case Qt::Key_Left:
        ctrl ? MoveSelected(QPoint(-cell, 0)) : StepSelection(-1);
        return;
    case Qt::Key_Up:
        ctrl ? MoveSelected(QPoint(0, -cell)) : StepSelection(-1);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TMapSurface::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void TMapSurface::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_handler && m_handler->MapDragOver(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMapSurface::dropEvent(QDropEvent *event)
{
    if (!m_handler || !m_handler->MapDragOver(event->source())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_handler->MapDragDrop(event->source(), event->position().toPoint());
}
