#pragma once

#include "map/mapicons.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QLine>
#include <QPixmap>
#include <QStaticText>

#include <vector>

// What the map surface asks its window.
class MapSurfaceHandler
{
public:
    virtual ~MapSurfaceHandler() = default;
    // Run at the start of every paint, before any icon is drawn; lines drawn meanwhile
    // (DrawLine) lie beneath the icons.
    virtual void MapPrePaint() = 0;
    // Whether a drag from source may drop on the map.
    virtual bool MapDragOver(QObject *source) = 0;
    // A drag from source dropped at a point in window coordinates.
    virtual void MapDragDrop(QObject *source, QPoint windowPoint) = 0;
    // The Delete key.
    virtual void MapDelete() = 0;
};

// The page surface `Map`: the icons of one page placed freely on a scrolling surface, each the
// object tree's image of an object with its uid beneath, and the lines the engine draws between
// them. A window point is a map point less the scroll origin. An icon is selected by a click or
// the arrow keys and dragged with the mouse; Ctrl with an arrow key moves it one cell.
class TMapSurface : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TMapSurface(QWidget *parent = nullptr);

    void SetHandler(MapSurfaceHandler *handler) { m_handler = handler; }

    const MapIcons &Icons() const { return m_icons; }
    // Adds an icon at a map position; returns its id.
    int AddIcon(const QString &caption, QPoint position);
    // The icon of that id moves to a map position, or goes; nothing when it is gone already.
    void MoveIcon(int id, QPoint position);
    void RemoveIcon(int id);
    void ClearIcons();

    // The scroll origin: the map point shown at the window's upper left corner.
    QPoint Origin() const;
    // The id of the selected icon, 0 when none is.
    int Selected() const { return m_selected; }
    void Select(int id);
    // The id of the icon a drag inside the map began with, 0 before any.
    int Dragged() const { return m_dragged; }
    // The topmost icon whose picture or caption holds the window point; -1 when none does.
    int IconAt(QPoint windowPoint) const;
    // The rectangle that an icon covers, picture and caption, in map coordinates.
    QRect IconRect(const MapIcon &icon) const;

    // Draws a 3-pixel line between the last icons captioned a and b, in the paint going on;
    // nothing when either is missing or no paint is going on.
    void DrawLine(const QString &a, const QString &b);

    // Paints icons and lines onto a device of the viewport's size: the surface's own painting,
    // also used to measure it.
    void PaintPage(QPainter &painter, const QRect &exposed, const std::vector<QLine> &lines);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;

private:
    // A caption laid out once for all paints (laying text out is most of a paint's work).
    const QStaticText &Caption(const QString &caption) const;
    void Extend(const MapIcon &icon);
    void ResetExtent();
    void UpdateScrollBars();
    void Changed();
    void StepSelection(int step);
    void MoveSelected(QPoint by);

    MapSurfaceHandler *m_handler = nullptr;
    MapIcons m_icons;
    QPixmap m_image;
    mutable QHash<QString, QStaticText> m_captions;
    int m_captionHeight = 0;
    QRect m_extent;
    int m_selected = 0;
    int m_dragged = 0;
    QPoint m_pressAt;
    bool m_painting = false;
    std::vector<QLine> m_lines;
};
