#pragma once

#include "map/mapcalls.h"
#include "map/mapsurface.h"
#include "script/scriptclients.h"
#include "widgets/toolwin.h"

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class ScriptHost;

// The map of the world: one page at a time of object icons joined by lines the engine draws.
// The window keeps no map data of its own: the pages, their icons and connections are the
// engine's IDE_MAP, which fills the window through the map functions (MapCanvas) and is told of
// every change the author makes here.
class TMapWin : public TToolWin, public MapCanvas, public MapSurfaceHandler
{
    Q_OBJECT

public:
    explicit TMapWin(ScriptHost &host, QWidget *parent = nullptr);

    // What the map needs of the object tree: the uid of its selected node, and how many names
    // are marked there.
    void SetTree(std::function<QString()> selectedUid, std::function<int()> markedCount);

    void DrawLine(const QString &a, const QString &b) override;
    void ClearPagesList() override;
    void AddMapPage(const QString &name) override;
    void WritePageName(const QString &text) override;
    void ClearPageItems() override;
    int PageItemsCount() const override;
    bool PageItem(int index, QString *caption, int *x, int *y) const override;
    void AddPageItem(const QString &caption, int x, int y) override;

    // What the surface asks: the engine's draw before each paint, the drag test and the drop
    // (from the object tree, told by its component name `Items`, or from the map itself), Delete.
    void MapPrePaint() override;
    bool MapDragOver(QObject *source) override;
    void MapDragDrop(QObject *source, QPoint windowPoint) override;
    void MapDelete() override;

    QComboBox *MapPages() const { return m_mapPages; }
    QPushButton *BitBtn1() const { return m_bitBtn1; }
    TMapSurface *Map() const { return m_map; }
    // The page names of the page box's list, in page order.
    QStringList PageNames() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void MapPagesEnter();
    void MapPagesChoose(int index);
    void MapPagesChange();
    void BitBtn1Click();

    MapCalls m_calls;
    std::function<QString()> m_selectedUid;
    std::function<int()> m_markedCount;
    QLabel *m_label1 = nullptr;
    QComboBox *m_mapPages = nullptr;
    QPushButton *m_bitBtn1 = nullptr;
    TMapSurface *m_map = nullptr;
};
