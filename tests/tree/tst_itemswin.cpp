// The object tree window driven as the author drives it, against a real script host.

#include "script/luaapi.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"
#include "tests/testmain.h"
#include "tree/itemimages.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"
#include "tree/objectnode.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include <functional>
#include <memory>

namespace {

// The properties window as far as the tree sees it: each call is noted, and the object shown is
// written into the tree's search box, as the real window does.
class FakeView : public ObjectView
{
public:
    void ShowObjectProperties(const QString &uid) override
    {
        calls << QStringLiteral("ShowObjectProperties ") + uid;
        tree->WriteSearch(uid);
    }
    void ShowProperty(const QString &uid, const QString &caption) override
    {
        calls << QStringLiteral("ShowProperty ") + uid + QLatin1Char(' ') + caption;
    }
    void ShowObject(const QString &uid) override
    {
        calls << QStringLiteral("ShowObject ") + uid;
        tree->WriteSearch(uid);
    }

    TItemsWin *tree = nullptr;
    QStringList calls;
};

class WatchedConsole : public RecordingConsole
{
public:
    void ConsolePrint(const QString &text, int kind) override
    {
        RecordingConsole::ConsolePrint(text, kind);
        if (onLine)
            onLine(text);
    }
    std::function<void(const QString &)> onLine;
};

// world(player, hall(box*), room(box, key)): the reference to box comes before its owned node.
const char kWorld[] = "dofile 'startup.lua' world:create('hall') world:create('room') "
                      "room:create('box') room:create('key') hall:add(box)";

QStringList List(const char *text, char separator = ' ')
{
    return QString::fromUtf8(text).split(QLatin1Char(separator), Qt::SkipEmptyParts);
}

// Calls of the view, separated by commas.
QStringList Calls(const char *text)
{
    return List(text, ',');
}

QString PathOf(const QTreeWidgetItem *node)
{
    QStringList texts;
    for (; node; node = node->parent())
        texts.prepend(node->text(0));
    return texts.join(QLatin1Char('/'));
}

} // namespace

class TestItemsWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    std::unique_ptr<WatchedConsole> m_console;
    std::unique_ptr<TItemsWin> m_win;
    FakeView m_view;

    QTreeWidget *Tree() const { return m_win->Items(); }

    // The first node along the path of texts, or null.
    QTreeWidgetItem *Node(const QString &path) const
    {
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            if (PathOf(*it) == path)
                return *it;
        }
        return nullptr;
    }

    QString Selected() const { return PathOf(m_win->SelectedNode()); }

    QStringList AllPaths(bool expandedOnly) const
    {
        QStringList paths;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            if (!expandedOnly || ((*it)->isExpanded() && (*it)->childCount() > 0))
                paths << PathOf(*it);
        }
        return paths;
    }

    int Echoes() const { return m_console->Texts().count(QStringLiteral("world:check()")); }

    // "path" clicks a node, "^path" with Ctrl, "!path" with the right button, "-" below the last
    // row, "refresh" rebuilds with "player" selected.
    void Click(const QString &action)
    {
        if (action == QLatin1String("refresh")) {
            m_win->UpdateItems(QStringLiteral("player"));
            Tree()->expandAll();
            return;
        }
        QString path = action;
        Qt::MouseButton button = Qt::LeftButton;
        Qt::KeyboardModifiers modifiers;
        if (path.startsWith(QLatin1Char('!'))) {
            button = Qt::RightButton;
            path.remove(0, 1);
        }
        if (path.startsWith(QLatin1Char('^'))) {
            modifiers = Qt::ControlModifier;
            path.remove(0, 1);
        }
        QPoint at(10, Tree()->viewport()->height() - 2);
        if (path != QLatin1String("-")) {
            QTreeWidgetItem *node = Node(path);
            QVERIFY2(node, qPrintable(path));
            at = Tree()->visualItemRect(node).center();
        }
        QTest::mouseClick(Tree()->viewport(), button, modifiers, at);
    }

    void RunClicks(const QStringList &clicks)
    {
        m_win->UpdateItems(QStringLiteral("player"));
        Tree()->expandAll();
        for (const QString &click : clicks)
            Click(click);
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_host = std::make_unique<ScriptHost>();
        m_console = std::make_unique<WatchedConsole>();
        m_host->SetConsole(m_console.get());
        m_host->RunLua(QString::fromLatin1(kWorld));
        m_win = std::make_unique<TItemsWin>(*m_host);
        m_view.tree = m_win.get();
        m_view.calls.clear();
        m_win->SetObjectView(&m_view);
        m_host->SetItems(m_win.get());
        m_win->resize(300, 500);
        m_win->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
        m_view.calls.clear();
        m_console->lines.clear();
    }

    void cleanup()
    {
        m_host->SetItems(nullptr);
        m_host->SetConsole(nullptr);
        m_win.reset();
        m_host.reset();
    }

    void showingRebuildsAndSelectsThePlayer()
    {
        m_win->hide();
        m_host->RunLua(QStringLiteral("world:create('lamp')"));
        m_win->show();
        QCOMPARE(m_console->lines.value(0), qMakePair(QStringLiteral("world:check()"), 0));
        QCOMPARE(AllPaths(false), List("world world/player world/hall world/hall/box world/room "
                                       "world/room/box world/room/key world/lamp"));
        QCOMPARE(Selected(), QStringLiteral("world/player"));
        QCOMPARE(m_view.calls, Calls("ShowObjectProperties player,ShowProperty player Данные")
                                   );
        QCOMPARE(m_win->Search()->text(), QStringLiteral("player"));
        QCOMPARE(m_win->SelectedNames(), List("player"));
    }

    void checkRunsBeforeTheWalk()
    {
        // The stray entry is repaired by the check; walked before it, it would show as a node.
        m_host->RunLua(QStringLiteral("table.insert(world.items, 5) world:create('lamp')"));
        bool lampBeforeEcho = true;
        m_console->onLine = [&](const QString &text) {
            if (text == QLatin1String("world:check()"))
                lampBeforeEcho = Node(QStringLiteral("world/lamp")) != nullptr;
        };
        m_win->UpdateItems(QStringLiteral("lamp"));
        QVERIFY(!lampBeforeEcho);
        QCOMPARE(m_console->lines.size(), 2);
        QCOMPARE(m_console->lines[0].second, 0);
        QCOMPARE(m_console->lines[1].second, 1);
        QCOMPARE(AllPaths(false).filter(QRegularExpression(QStringLiteral("^world/[^/]*$"))),
                 List("world/player world/hall world/room world/lamp"));
        QCOMPARE(Selected(), QStringLiteral("world/lamp"));
    }

    void selectionAfterRebuild_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("selected");
        QTest::newRow("named object") << "" << "key" << "world/room/key";
        QTest::newRow("removed object") << "box:remove() box = nil" << "box" << "world";
        QTest::newRow("unknown name") << "" << "nosuch" << "world";
        QTest::newRow("no name") << "" << "" << "world";
        QTest::newRow("empty world") << "world.items = {} player = nil" << "player" << "world";
    }
    void selectionAfterRebuild()
    {
        QFETCH(QString, lua);
        QFETCH(QString, name);
        QFETCH(QString, selected);
        m_host->RunLua(lua);
        m_win->UpdateItems(name);
        QCOMPARE(Selected(), selected);
        const QString shown = selected.section(QLatin1Char('/'), -1);
        QCOMPARE(m_view.calls, QStringList({QStringLiteral("ShowObjectProperties ") + shown,
                                            QStringLiteral("ShowProperty ") + shown
                                                + QString::fromUtf8(" Данные")}));
        QCOMPARE(m_win->Search()->text(), shown);
        QCOMPARE(m_win->SelectedNames(), QStringList(shown));
    }

    // A node indented past the column's edge has no area of its own; a key moving to it still
    // moves the selection, which must not be lost.
    void keysMoveTheSelectionDeepDown()
    {
        m_host->RunLua(QStringLiteral(
            "local o = world for i = 1, 40 do o = o:create('deep' .. i) end"));
        m_win->UpdateItems(QStringLiteral("deep40"));
        m_win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_win.get()));
        m_win->Items()->setFocus();
        QTest::keyClick(m_win->Items(), Qt::Key_Up);
        QCOMPARE(m_win->SelectedUid(), QStringLiteral("deep39"));
    }

    void findObjectNode_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::newRow("owned node after a reference") << "world" << "box" << "world/room/box";
        QTest::newRow("only references below") << "world/hall" << "box" << "";
        QTest::newRow("start itself, a reference") << "world/hall/box" << "box" << "world/hall/box";
        QTest::newRow("the root") << "world" << "world" << "world";
        QTest::newRow("case matters") << "world" << "Box" << "";
    }
    void findObjectNode()
    {
        QFETCH(QString, start);
        QFETCH(QString, name);
        QFETCH(QString, found);
        QCOMPARE(PathOf(m_win->FindObjectNode(Node(start), name)), found);
    }

    void expansionKeptByName_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QStringList>("expand");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("expanded");
        QTest::newRow("kept") << "" << List("world world/room") << "world"
                              << List("world world/room");
        QTest::newRow("inside a closed node") << "" << List("world/room") << "world"
                                              << List("world/room");
        QTest::newRow("ancestors of the selection") << "" << QStringList() << "key"
                                                    << List("world world/room");
        // A world the check cannot run on: two owned nodes bear the name x.
        QTest::newRow("every node bearing the name")
            << "world = {uid = 'world'} a = {uid = 'a', parent = world} "
               "b = {uid = 'b', parent = world} x = {uid = 'x', items = {{uid = 'y', "
               "parent = {uid = 'x'}}}} a.items = {{uid = 'x', parent = a}} "
               "b.items = {{uid = 'x', parent = b}} world.items = {a, b}"
            << List("world world/a world/a/x") << "world"
            << List("world world/a world/a/x world/b/x");
    }
    void expansionKeptByName()
    {
        QFETCH(QString, lua);
        QFETCH(QStringList, expand);
        QFETCH(QString, name);
        QFETCH(QStringList, expanded);
        m_host->RunLua(lua);
        m_win->UpdateItems(QStringLiteral("world"));
        Tree()->collapseAll();
        for (const QString &path : expand)
            Node(path)->setExpanded(true);
        m_win->UpdateItems(name);
        QCOMPARE(AllPaths(true), expanded);
    }

    void searchBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("part of a name") << "pla" << "world" << QStringList();
        QTest::newRow("whole name") << "player" << "world/player"
                                    << Calls("ShowObject player,ShowObjectProperties player");
        QTest::newRow("jumps on the way, stays after")
            << "boxes" << "world/room/box" << Calls("ShowObject box,ShowObjectProperties box");
        QTest::newRow("case matters") << "Player" << "world" << QStringList();
    }
    void searchBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, selected);
        QFETCH(QStringList, calls);
        m_win->UpdateItems(QStringLiteral("world"));
        m_win->Search()->clear();
        m_view.calls.clear();
        QTest::keyClicks(m_win->Search(), typed);
        QCOMPARE(Selected(), selected);
        QCOMPARE(m_view.calls, calls);
        QCOMPARE(m_win->Search()->text(), typed);
    }

    // The selected uid reaches the search box without a search: a search would move the
    // selection from a reference node to the owned node, or show the object a second time.
    void selectingWritesTheSearchBox_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("click a reference node") << "world/hall/box" << "world/hall/box" << "box"
                                                << Calls("ShowObject box,ShowObject box");
        QTest::newRow("click the selected node") << "world/player" << "world/player" << "player"
                                                 << Calls("ShowObject player");
        QTest::newRow("key down") << "Down" << "world/hall" << "hall" << Calls("ShowObject hall");
        QTest::newRow("written by the view") << "write room" << "world/player" << "room"
                                             << QStringList();
    }
    void selectingWritesTheSearchBox()
    {
        QFETCH(QString, action);
        QFETCH(QString, selected);
        QFETCH(QString, search);
        QFETCH(QStringList, calls);
        Tree()->expandAll();
        m_view.calls.clear();
        if (action == QLatin1String("Down"))
            QTest::keyClick(Tree(), Qt::Key_Down);
        else if (action.startsWith(QLatin1String("write ")))
            m_win->WriteSearch(action.mid(6));
        else
            Click(action);
        QCOMPARE(Selected(), selected);
        QCOMPARE(m_win->Search()->text(), search);
        QCOMPARE(m_view.calls, calls);
    }

    void marking_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("selected");
        QTest::newRow("plain click replaces") << List("world/room world/room/box") << List("box")
                                              << "world/room/box";
        QTest::newRow("ctrl adds in order")
            << List("world/room ^world/room/box ^world/room/key") << List("room box key")
            << "world/room/key";
        QTest::newRow("ctrl on the only name") << List("world/room ^world/room") << List("room")
                                               << "world/room";
        QTest::newRow("unmark one of three")
            << List("world/player ^world/hall/box ^world/room/key ^world/room/key")
            << List("player box") << "world/room/box";
        QTest::newRow("plain click on a marked name")
            << List("world/room ^world/room/box ^world/room/key world/hall/box")
            << List("room box key") << "world/hall/box";
        QTest::newRow("any button") << List("world/room !^world/room/key") << List("room key")
                                    << "world/room/key";
        QTest::newRow("below the last row") << List("world/room ^world/room/key -")
                                            << List("room key") << "world/room/key";
        QTest::newRow("refresh replaces the marks")
            << List("world/room ^world/room/key refresh") << List("player") << "world/player";
    }
    void marking()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, names);
        QFETCH(QString, selected);
        RunClicks(clicks);
        QCOMPARE(m_win->SelectedNames(), names);
        QCOMPARE(Selected(), selected);
    }

    void underline_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("underlined");
        QTest::newRow("one name") << List("world/room") << QStringList();
        QTest::newRow("every node bearing a name")
            << List("world/player ^world/room/box")
            << List("world/player world/hall/box world/room/box");
        QTest::newRow("after a refresh") << List("world/player ^world/room/box refresh")
                                         << QStringList();
    }
    void underline()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, underlined);
        RunClicks(clicks);
        const QImage image = Tree()->viewport()->grab().toImage();
        const QRgb red = qRgb(255, 0, 0);
        for (const QString &path : AllPaths(false)) {
            QTreeWidgetItem *node = Node(path);
            const QRect row = Tree()->visualItemRect(node);
            int count = 0;
            int left = row.right();
            QSet<int> rows;
            for (int y = row.top(); y <= row.bottom(); ++y) {
                for (int x = row.left(); x <= row.right(); ++x) {
                    if (image.pixel(x, y) == red) {
                        ++count;
                        left = qMin(left, x);
                        rows.insert(y);
                    }
                }
            }
            if (!underlined.contains(path)) {
                QVERIFY2(count == 0, qPrintable(path));
                continue;
            }
            // One unbroken line of red along the bottom of the label, right of the image.
            QCOMPARE(rows.size(), 1);
            QVERIFY2(*rows.begin() >= row.bottom() - 2, qPrintable(path));
            QVERIFY(left > Tree()->visualItemRect(node).left() + ItemImages::kSize);
            QVERIFY(count >= Tree()->fontMetrics().horizontalAdvance(node->text(0)));
        }
    }

    void updateItemsFromLua_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("echoes");
        QTest::newRow("inside a chunk") << "room:create('lamp') update_items()" << "world/room/lamp"
                                        << 1;
        QTest::newRow("in a loop")
            << "for i = 1, 3 do world:create('n' .. i) update_items() end" << "world/n3" << 3;
        QTest::newRow("from the check itself")
            << "function OBJECT.check () update_items() end world:create('lamp') update_items()"
            << "world/lamp" << 1;
        QString chain = QStringLiteral("world");
        for (int i = 1; i <= 300; ++i)
            chain += QStringLiteral("/o%1").arg(i);
        QTest::newRow("300-level chain")
            << "local o = world for i = 1, 300 do o = o:create('o' .. i) end update_items()"
            << chain << 1;
    }
    void updateItemsFromLua()
    {
        QFETCH(QString, lua);
        QFETCH(QString, node);
        QFETCH(int, echoes);
        m_win->UpdateItems(QStringLiteral("key"));
        m_console->lines.clear();
        m_host->RunLua(lua);
        QVERIFY(Node(node));
        QCOMPARE(Echoes(), echoes);
        QCOMPARE(Selected(), QStringLiteral("world/room/key"));
        QCOMPARE(m_host->Depth(), 0);
        QCOMPARE(lua_gettop(m_host->State()), 0);
        for (const auto &line : m_console->lines)
            QVERIFY2(line.second != ConsoleKind::Error, qPrintable(line.first));
    }

    void images_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("image");
        QTest::newRow("root") << "world" << 0;
        QTest::newRow("owned") << "world/room/box" << 0;
        QTest::newRow("reference") << "world/hall/box" << 1;
    }
    void images()
    {
        QFETCH(QString, path);
        QFETCH(int, image);
        Tree()->expandAll();
        QTreeWidgetItem *node = Node(path);
        QCOMPARE(ObjectNode::ImageOf(node), image);
        QCOMPARE(node->childCount() > 0, path == QLatin1String("world"));
        const QIcon icon = node->icon(0);
        const QImage drawn = ItemImages::Draw(image);
        const QSize size(ItemImages::kSize, ItemImages::kSize);
        QCOMPARE(icon.pixmap(size, 1.0, QIcon::Normal).toImage().convertToFormat(drawn.format()),
                 drawn);
        QCOMPARE(icon.pixmap(size, 1.0, QIcon::Selected).toImage().convertToFormat(drawn.format()),
                 drawn);
    }

    void searchBoxKeepsToTheBottomRight_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::newRow("designed size") << QSize(501, 478);
        QTest::newRow("smaller") << QSize(260, 200);
    }
    void searchBoxKeepsToTheBottomRight()
    {
        QFETCH(QSize, client);
        m_win->widget()->resize(client);
        QCOMPARE(m_win->Search()->geometry(),
                 QRect(client.width() - 110, client.height() - 28, 79, 21));
        QCOMPARE(Tree()->geometry(), QRect(0, 0, client.width(), client.height() - 30));
    }
};
TARNWICK_TEST(TestItemsWin)

#include "tst_itemswin.moc"
