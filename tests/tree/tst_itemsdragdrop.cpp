// Dragging nodes and properties onto the object tree, against a real script host: which drags
// may drop where, with which mode and cursor, and what a drop runs and leaves in the tree.

#include "widgets/dragcursors.h"
#include "tests/testmain.h"
#include "tests/tree/treefixture.h"
#include "tree/itemsdrophandler.h"
#include "tree/objectdrag.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

using TreeFixture::Harness;
using TreeFixture::Lines;
using TreeFixture::Words;

namespace {

// world(player, hall(box*), room(box(coin), key), cellar)
QString World(const QString &more = QString())
{
    return TreeFixture::World(QStringLiteral("box:create('coin') world:create('cellar') ") + more);
}

Qt::KeyboardModifiers Keys(const QString &keys)
{
    Qt::KeyboardModifiers modifiers;
    if (keys.contains(QLatin1String("Ctrl")))
        modifiers |= Qt::ControlModifier;
    if (keys.contains(QLatin1String("Alt")))
        modifiers |= Qt::AltModifier;
    return modifiers;
}

} // namespace

class TestItemsDragDrop : public QObject
{
    Q_OBJECT

private:
    // A drag from source over the node at path with keys held, as the view asks it.
    bool Over(Harness &h, const QString &source, const QString &path, const QString &keys)
    {
        QTreeWidgetItem *target = path.isEmpty() ? nullptr : h.Node(path);
        return h.win->Drops().ItemsDragOver(source, target, Keys(keys));
    }

    void DragAndDrop(Harness &h, const QString &source, const QString &target, const QString &keys)
    {
        QVERIFY(Over(h, source, target, keys));
        h.win->Drops().ItemsDragDrop(source, h.Node(target));
    }

private Q_SLOTS:
    void initTestCase() { DragCursors::Load(); }
    void init() { TestRegistry::FailOnWarnings(); }

    void dragOver_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("primer");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("mode");
        const int move = DropRules::Move;
        const int clone = DropRules::Clone;
        const int reference = DropRules::Reference;
        QTest::newRow("from elsewhere") << "Vocabulary" << "world/room/key" << "" << "world/hall"
                                        << "" << false << move;
        QTest::newRow("Alt wins over Ctrl") << "Items" << "world/room/key" << "" << "world/hall"
                                            << "Ctrl Alt" << true << reference;
        QTest::newRow("beside the nodes") << "Items" << "world/room/key" << "" << "" << "Ctrl"
                                          << false << move;
        QTest::newRow("onto a node of the same name")
            << "Items" << "world/room/box" << "" << "world/hall/box" << "" << false << move;
        QTest::newRow("the root") << "Items" << "world" << "" << "world/hall" << "" << false
                                  << move;
        QTest::newRow("a property of the root") << "PropNames" << "world" << "" << "world/hall"
                                                << "" << true << move;
        QTest::newRow("into its own subtree") << "Items" << "world/room" << ""
                                              << "world/room/box/coin" << "Ctrl" << false << move;
        QTest::newRow("into its own subtree, cloning")
            << "Items" << "world/room" << "world/hall" << "world/room/box/coin" << "Ctrl" << true
            << clone;
        QTest::newRow("referenced into its own subtree")
            << "Items" << "world/room" << "world/hall" << "world/room/box/coin" << "Alt" << false
            << reference;
        QTest::newRow("Alt onto its own parent")
            << "Items" << "world/room/key" << "world/hall" << "world/room" << "Alt" << false
            << reference;
        QTest::newRow("a reference moved where its object is")
            << "Items" << "world/hall/box" << "" << "world/room" << "" << false << move;
        QTest::newRow("onto a reference node") << "Items" << "world/room/key" << ""
                                               << "world/hall/box" << "Ctrl" << false << move;
        QTest::newRow("a property onto a reference node")
            << "PropNames" << "world/room/key" << "" << "world/hall/box" << "" << false << move;
        QTest::newRow("a second reference") << "Items" << "world/room/box" << "world/cellar"
                                            << "world/hall" << "Alt" << false << reference;
    }
    void dragOver()
    {
        QFETCH(QString, source);
        QFETCH(QString, select);
        QFETCH(QString, primer);
        QFETCH(QString, target);
        QFETCH(QString, keys);
        QFETCH(bool, accepted);
        QFETCH(int, mode);
        Harness h(World());
        h.Select(select);
        if (!primer.isEmpty())
            QVERIFY(Over(h, source, primer, keys));
        QCOMPARE(Over(h, source, target, keys), accepted);
        QCOMPARE(h.win->Drops().DropMode(), mode);
        QCOMPARE(h.win->Drops().DragCursor(), ObjectDrag::CursorOfMode(mode));
        QCOMPARE(h.console.lines.size(), 0);
    }

    // One node clicked, or several marked with Ctrl, dragged onto the target with the keys.
    void drop_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("rebuilds");
        QTest::addColumn<QString>("selected");
        QTest::newRow("move an owned node")
            << "" << Words("world/room/key") << "world/cellar" << "" << Lines("key:moveto (cellar)")
            << Words("world/cellar/key:o") << 1 << "world/cellar/key";
        QTest::newRow("move a reference node")
            << "" << Words("world/hall/box") << "world/cellar" << ""
            << Lines("hall:remove (box)|cellar:add (box)") << Words("world/cellar/box:r") << 0
            << "world/cellar/box";
        QTest::newRow("clone, first name taken")
            << "box0 = true" << Words("world/room/box") << "world/cellar" << "Ctrl"
            << Lines("cellar:clone (box, 'box1')") << Words("world/cellar/box1:o") << 0
            << "world/room/box";
        QTest::newRow("add a reference")
            << "" << Words("world/room/key") << "world/cellar" << "Alt" << Lines("cellar:add (key)")
            << Words("world/cellar/key:r") << 0 << "world/room/key";
        QTest::newRow("a reference cloned") << "" << Words("world/hall/box") << "world/cellar"
                                            << "Ctrl" << QStringList() << QStringList() << 0
                                            << "world/hall/box";
        // shelf(lamp) comes after room in tree order; the marks are made in another order.
        const char *shelf = "world:create('shelf') shelf:create('lamp') hall:remove(box)";
        QTest::newRow("three moved in tree order")
            << shelf << Words("world/room/key ^world/shelf/lamp ^world/room/box") << "world/cellar"
            << "" << Lines("box:moveto (cellar)|key:moveto (cellar)|lamp:moveto (cellar)")
            << Words("world/cellar/lamp:o world/cellar/box:o world/cellar/box/coin:o "
                     "world/cellar/key:o")
            << 1 << "world/cellar/lamp";
        QTest::newRow("three cloned")
            << shelf << Words("world/room/key ^world/shelf/lamp ^world/room/box") << "world/cellar"
            << "Ctrl"
            << Lines("cellar:clone (box, 'box0')|cellar:clone (key, 'key0')|"
                     "cellar:clone (lamp, 'lamp0')")
            << Words("world/cellar/lamp0:o world/cellar/box0:o world/cellar/key0:o "
                     "world/room/box:o world/shelf/lamp:o")
            << 0 << "world/shelf/lamp";
        // The first node bearing box is hall's reference: it moves as a reference.
        QTest::newRow("a reference member")
            << "" << Words("world/room/key ^world/room/box") << "world/cellar" << ""
            << Lines("hall:remove (box)|cellar:add (box)|key:moveto (cellar)")
            << Words("world/cellar/box:r world/cellar/key:o world/room/box:o") << 1 << "world/cellar/key";
        // Dropped on a node in its own subtree, room would be cut off from the world; dropped
        // on itself, key would be nowhere. Both are left out.
        QTest::newRow("members onto themselves or into their subtree")
            << shelf << Words("world/room ^world/room/key ^world/shelf") << "world/room/key" << ""
            << Lines("shelf:moveto (key)")
            << Words("world/room:o world/room/key:o world/room/key/shelf:o "
                     "world/room/key/shelf/lamp:o")
            << 1 << "world/room/key/shelf";
    }
    void drop()
    {
        QFETCH(QString, lua);
        QFETCH(QStringList, clicks);
        QFETCH(QString, target);
        QFETCH(QString, keys);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, kinds);
        QFETCH(int, rebuilds);
        QFETCH(QString, selected);
        Harness h(World(lua));
        h.Rebuild(QStringLiteral("player"));
        for (const QString &click : clicks)
            h.Click(click);
        h.console.lines.clear();
        const QStringList before = h.Kinds();
        // The drag starts from the node last clicked, which the drag-over checks.
        DragAndDrop(h, QStringLiteral("Items"), target, keys);
        QCOMPARE(h.Commands(), commands);
        QCOMPARE(h.Rebuilds(), rebuilds);
        QCOMPARE(h.Selected(), selected);
        QCOMPARE(h.console.Errors(), QString());
        if (commands.isEmpty())
            QCOMPARE(h.Kinds(), before);
        h.Tree()->expandAll();
        for (const QString &kind : kinds)
            QVERIFY2(h.Kinds().contains(kind), qPrintable(kind));
        h.Rebuild(QStringLiteral("world"));
        for (const QString &kind : kinds)
            QVERIFY2(h.Kinds().contains(kind), qPrintable(kind));
    }

    void propertyDrop_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("value");
        QTest::newRow("constructor")
            << "box.ide_data.constructor = 'self.data.made = 1'" << "world/room/box"
            << QString::fromUtf8("Конструктор") << ""
            << "cellar.ide_data.constructor .. type (cellar.constructor)"
            << "self.data.made = 1function";
        QTest::newRow("method, with Ctrl")
            << "box.ide_data.look = 'return 7'" << "world/room/box" << "look" << "Ctrl"
            << "cellar:look ()" << "7";
        QTest::newRow("catchers, with Alt")
            << "box.ide_data.hooks = 'return 1'" << "world/room/box"
            << QString::fromUtf8("Отлавливатель") << "Alt"
            << "cellar.ide_data.hooks .. table.getn (cellar.hooks)" << "return 11";
        QTest::newRow("data, a copy")
            << "box.data.n = 5" << "world/room/box" << QString::fromUtf8("Данные") << ""
            << "cellar.data.n .. tostring (cellar.data ~= box.data)" << "5true";
        QTest::newRow("no entry selected") << "cellar.data.n = 1" << "world/room/box" << "" << ""
                                           << "cellar.data.n" << "1";
        // The properties listed through a reference are copied by a plain drag only.
        QTest::newRow("a reference selected, Alt")
            << "box.ide_data.look = 'return 7'" << "world/hall/box" << "look" << "Alt"
            << "type (cellar.ide_data.look)" << "nil";
        // Copying a property adds no reference, so it is not refused where T lists S already.
        QTest::newRow("Alt, onto an object listing it")
            << "box.ide_data.look = 'return 7' cellar:add(box)" << "world/room/box" << "look"
            << "Alt" << "cellar:look ()" << "7";
    }
    void propertyDrop()
    {
        QFETCH(QString, lua);
        QFETCH(QString, select);
        QFETCH(QString, caption);
        QFETCH(QString, keys);
        QFETCH(QString, expression);
        QFETCH(QString, value);
        Harness h(World(lua));
        h.Select(select);
        h.workbench.caption = caption;
        const QStringList before = h.Kinds();
        DragAndDrop(h, QStringLiteral("PropNames"), QStringLiteral("world/cellar"), keys);
        QCOMPARE(h.console.Errors(), QString());
        QCOMPARE(h.host->EvalString(expression), value);
        QCOMPARE(h.console.lines.size(), 0);
        QCOMPARE(h.Kinds(), before);
    }

    // A drag the program did not start (from another program) is refused by the view itself,
    // and its drop runs nothing.
    void foreignDragRefused()
    {
        Harness h(World());
        h.Select(QStringLiteral("world/room/key"));
        QWidget *viewport = h.Tree()->viewport();
        const QPoint at = h.Tree()->visualItemRect(h.Node(QStringLiteral("world/hall"))).center();
        QMimeData data;
        data.setText(QStringLiteral("key"));
        QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        QCOMPARE(h.console.lines.size(), 0);
        QVERIFY(h.Node(QStringLiteral("world/room/key")));
    }
};
TARNWICK_TEST(TestItemsDragDrop)

#include "tst_itemsdragdrop.moc"
