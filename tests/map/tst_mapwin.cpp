// The map inside the main window, against the engine's IDE_MAP: the page box, drops from the tree
// and from the map itself, Delete, the lines of each paint, failures reported once, and a map
// saved with its project and opened again.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "map/mapwin.h"
#include "project/projectcommands.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/typing.h"
#include "tests/testmain.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <memory>

namespace {

// The pages as IDE_MAP holds them: "*" marks the current one, then name:icons|links.
const char *const kDump = R"(
function map_dump ()
  local out = {}
  for n, p in ipairs(IDE_MAP.pages) do
    table.insert(out, (n == IDE_MAP.current and '*' or '') .. tostring(p.name) .. ':' ..
                      table.concat(p.icons, ' ') .. '|' .. table.concat(p.links, ' '))
  end
  return table.concat(out, ';')
end
world:create('hall') world:create('lamp') world:create('door')
)";

} // namespace

class TestMapWin : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_asker;
    RecordingConsole m_console;

    TMapWin *Win() const { return m_main->Map(); }
    TMapSurface *Surface() const { return Win()->Map(); }
    ScriptHost &Host() const { return m_main->Host(); }
    QString Dump() const { return Host().EvalString(QStringLiteral("map_dump()")); }

    QString Icons() const
    {
        QStringList icons;
        for (int i = 0; i < Surface()->Icons().Count(); ++i) {
            const MapIcon &icon = Surface()->Icons().At(i);
            icons << QStringLiteral("%1@%2,%3").arg(icon.caption).arg(icon.position.x()).arg(icon.position.y());
        }
        return icons.join(QLatin1Char(' '));
    }

    // Page P holding door at (200, 64), lamp at (72, 32) and, far out so the view scrolls, hall;
    // door is joined to hall.
    void LoadPage()
    {
        Host().RunLua(QStringLiteral("IDE_MAP:load {{name = 'P', icons = {'door', 200, 64, 'lamp', 72, 32, "
                                     "'hall', 2000, 2000}, links = {'door', 'hall'}}}"));
    }

    void DropFromTree(const QString &uid, QPoint at)
    {
        m_main->Items()->UpdateItems(uid);
        QVERIFY(Win()->MapDragOver(m_main->Items()->Items()));
        Win()->MapDragDrop(m_main->Items()->Items(), at);
    }

    // Presses on the icon at a window point and drags it away, as a drag inside the map begins.
    void StartDrag(QPoint from)
    {
        QWidget *view = Surface()->viewport();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(20, 20)), view->mapToGlobal(QPointF(from)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, from);
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_asker);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        m_console.lines.clear();
        Host().SetConsole(&m_console);
        m_main->ViewItem(5)->trigger();
        QTRY_VERIFY(Win()->isVisible());
        Host().RunLua(QString::fromLatin1(kDump));
        m_main->RefreshTree();
    }

    void cleanup() { m_main.reset(); }

    // Steps: "name>" types a name over the box's text and Enter, "name" only types it, ">" is
    // Enter alone, "X" clicks "Удалить страницу", "^" is the Up key in the page box.
    void pageBox_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("names");
        QTest::addColumn<bool>("deletable");
        QTest::addColumn<QString>("dump");
        QTest::newRow("the first name names the page") << "Подвал>" << "Подвал" << false << "*Подвал:|";
        QTest::newRow("Enter on a name there selects nothing") << "A> B> A >" << "A,B" << false
                                                               << "A:|;*B:|";
        QTest::newRow("delete another page") << "A> B> C> B X" << "A,C" << true << "A:|;*C:|";
        QTest::newRow("delete the page shown") << "A> B> C> C X" << "A,B" << true << "A:|;*B:|";
        QTest::newRow("choose with a key") << "A> B> ^" << "A,B" << false << "*A:|;B:|";
        QTest::newRow("a name holding ]]") << "a]]b>" << "a]]b" << false << "*a]]b:|";
    }
    void pageBox()
    {
        QFETCH(QString, steps);
        QFETCH(QString, names);
        QFETCH(bool, deletable);
        QFETCH(QString, dump);
        QLineEdit *edit = Win()->MapPages()->lineEdit();
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("X")) {
                QTest::mouseClick(Win()->BitBtn1(), Qt::LeftButton);
            } else if (step == QLatin1String("^")) {
                QTest::keyClick(Win()->MapPages(), Qt::Key_Up);
            } else {
                edit->selectAll();
                TypeText(edit, QString(step).replace(QLatin1Char('>'), QLatin1Char('\n')));
            }
        }
        QCOMPARE(Win()->PageNames().join(QLatin1Char(',')), names);
        QCOMPARE(Win()->BitBtn1()->isEnabled(), deletable);
        QCOMPARE(Dump(), dump);
        QCOMPARE(m_console.Errors(), QString());
    }

    // Edits on the page with door joined to hall, the view scrolled to an origin: "tree:uid"
    // drops the tree's selected object at a window point, "map:x,y" the icon dragged from that
    // point, "Delete" clicks the point and presses Delete (taking the icon selected and its
    // connections), "lua:" changes the world, where icons follow renamed objects and leave with
    // removed ones at the next paint.
    void edits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("icons");
        QTest::addColumn<QString>("dump");
        const QString door = QStringLiteral("door@200,64 lamp@72,32 hall@2000,2000");
        const QString stored = QStringLiteral("*P:door 200 64 lamp 72 32 hall 2000 2000");
        QTest::newRow("from the tree, scrolled") << "tree:lamp" << QPoint(64, 32) << QPoint(70, 45)
                                                 << door + " lamp@136,64"
                                                 << stored + " lamp 136 64|door hall";
        QTest::newRow("from the tree onto an icon") << "tree:hall" << QPoint(0, 0) << QPoint(208, 70)
                                                    << door + " hall@200,64"
                                                    << stored + " hall 200 64|door hall";
        QTest::newRow("an icon onto another") << "map:80,40" << QPoint(0, 0) << QPoint(208, 70) << door
                                              << stored + "|door hall lamp door";
        QTest::newRow("an icon onto itself") << "map:80,40" << QPoint(0, 0) << QPoint(80, 40) << door
                                             << stored + "|door hall";
        QTest::newRow("an icon moved, scrolled") << "map:16,8" << QPoint(64, 32) << QPoint(300, 100)
                                                 << "door@200,64 lamp@360,128 hall@2000,2000"
                                                 << stored + "|door hall";
        QTest::newRow("Delete, nothing selected") << "Delete" << QPoint(0, 0) << QPoint(500, 500) << door
                                                  << stored + "|door hall";
        QTest::newRow("Delete") << "Delete" << QPoint(0, 0) << QPoint(208, 72)
                                << "lamp@72,32 hall@2000,2000" << stored + "|";
        QTest::newRow("removed") << "lua:door:remove()" << QPoint(0, 0) << QPoint()
                                 << "lamp@72,32 hall@2000,2000" << "*P:lamp 72 32 hall 2000 2000|";
        QTest::newRow("renamed") << "lua:portal, door = door; portal.uid = 'portal'" << QPoint(0, 0)
                                 << QPoint() << "portal@200,64 lamp@72,32 hall@2000,2000"
                                 << "*P:portal 200 64 lamp 72 32 hall 2000 2000|portal hall";
    }
    void edits()
    {
        QFETCH(QString, edit);
        QFETCH(QPoint, origin);
        QFETCH(QPoint, at);
        QFETCH(QString, icons);
        QFETCH(QString, dump);
        LoadPage();
        Surface()->horizontalScrollBar()->setValue(origin.x());
        Surface()->verticalScrollBar()->setValue(origin.y());
        const QString source = edit.section(QLatin1Char(':'), 1);
        if (edit.startsWith(QLatin1String("tree:"))) {
            DropFromTree(source, at);
        } else if (edit.startsWith(QLatin1String("map:"))) {
            StartDrag(QPoint(source.section(QLatin1Char(','), 0, 0).toInt(),
                             source.section(QLatin1Char(','), 1).toInt()));
            QVERIFY(Win()->MapDragOver(Surface()));
            Win()->MapDragDrop(Surface(), at);
        } else if (edit == QLatin1String("Delete")) {
            QTest::mouseClick(Surface()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::keyClick(Surface(), Qt::Key_Delete);
        } else {
            Host().RunLua(edit.mid(4));
        }
        Surface()->viewport()->repaint();
        QCOMPARE(Icons(), icons);
        QCOMPARE(Dump(), dump);
        QCOMPARE(m_console.Errors(), QString());
    }

    void dragsFromElsewhereRefused()
    {
        m_main->Items()->UpdateItems(QStringLiteral("lamp"));
        QTreeWidgetItem *door = m_main->Items()->FindObjectNode(m_main->Items()->Root(), QStringLiteral("door"));
        QTest::mouseClick(m_main->Items()->Items()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          m_main->Items()->Items()->visualItemRect(door).center());
        QVERIFY(!Win()->MapDragOver(m_main->Items()->Items()));
        QVERIFY(!Win()->MapDragOver(m_main->Console()->Output()));
        // A drag from another program reaches the view itself, and drops nothing.
        QMimeData data;
        data.setText(QStringLiteral("lamp"));
        QDropEvent drop(QPointF(70, 45), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Surface()->viewport(), &drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE(Surface()->Icons().Count(), 0);
    }

    // Lines join the icons' points (8, 8) in, less the scroll origin, beneath the icons.
    void linesDrawnInEachPaint()
    {
        LoadPage();
        Host().RunLua(QStringLiteral("IDE_MAP:add ('lamp', 'door')"));
        Surface()->horizontalScrollBar()->setValue(32);
        const QImage shown = Surface()->viewport()->grab().toImage();
        // lamp (80, 40) to door (208, 72), 32 to the left; hall lies off the view.
        QCOMPARE(QColor(shown.pixel(144 - 32, 56)), QColor(Qt::black));
        QCOMPARE(QColor(shown.pixel(144 - 32, 46)), QColor(Qt::white));
        QCOMPARE(m_console.Errors(), QString());
    }

    void mapFunctionsTruncateNumbers_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("result");
        QTest::newRow("fractions")
            << "addpageitem('door', 100.7, -0.5) return getpageitem(1.9)" << "door 100 0";
        QTest::newRow("far out") << "addpageitem('door', 1e10, -1e30) return getpageitem(1)"
                                 << "door 1000000 -1000000";
        QTest::newRow("the count, no such icon")
            << "addpageitem('a', 1, 1) addpageitem('b', 1, 1) return pageitemscount(), getpageitem(3)"
            << "2 nil nil";
    }
    void mapFunctionsTruncateNumbers()
    {
        QFETCH(QString, lua);
        QFETCH(QString, result);
        Host().RunLua(QStringLiteral("clearpageitems() function probe () ") + lua + QStringLiteral(" end"));
        QCOMPARE(Host().EvalString(QStringLiteral("(function (a, b, c) return tostring(a) .. ' ' .. "
                                                  "tostring(b) .. ' ' .. tostring(c) end)(probe())")),
                 result);
    }

    // A failing call is reported once however often it fails, and the window's own change stays.
    void failuresReportedOnce_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("reports");
        QTest::newRow("no IDE_MAP") << "IDE_MAP = nil" << 2;
        QTest::newRow("a failing draw") << "IDE_MAP.draw = function () error('broken') end" << 1;
    }
    void failuresReportedOnce()
    {
        QFETCH(QString, engine);
        QFETCH(int, reports);
        Host().RunLua(engine);
        for (int i = 0; i < 3; ++i) {
            DropFromTree(QStringLiteral("lamp"), QPoint(100, 100));
            Surface()->viewport()->repaint();
        }
        QCOMPARE(m_console.Texts(ConsoleKind::Error).size(), reports);
        QCOMPARE(Surface()->Icons().Count(), 3);
    }

    // Pages, icons and connections come back with the project; a project without a map opens
    // with one empty page.
    void savedAndOpened()
    {
        QTemporaryDir dir;
        Host().RunLua(QStringLiteral("IDE_MAP:load {current = 2, {name = 'A', icons = {'hall', 8, 0}, "
                                     "links = {}}, {name = 'B]]\\n', icons = {'lamp', 72, 32, 'door', 200, 64},"
                                     " links = {'lamp', 'door'}}}"));
        const QString before = Dump();
        const QString icons = Icons();
        QVERIFY(m_main->Project().WriteProject(dir.filePath(QStringLiteral("cave"))));
        m_main->Project().New();
        QCOMPARE(Dump(), QStringLiteral("*nil:|"));
        m_main->Project().OpenFile(dir.filePath(QStringLiteral("cave.twk")));
        QCOMPARE(Dump(), before);
        QCOMPARE(Icons(), icons);
        QCOMPARE(Win()->PageNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B]]\n")}));

        const QString old = dir.filePath(QStringLiteral("old.twk"));
        QVERIFY(WriteBytes(old, "world.items = {}\r\nworld:create (\"lamp\", \"\")\r\nupdate_items()\r\n"));
        m_main->Project().OpenFile(old);
        QCOMPARE(Dump(), QStringLiteral("*nil:|"));
        QCOMPARE(Icons(), QString());
        QCOMPARE(m_console.Errors(), QString());
    }
};
TARNWICK_TEST(TestMapWin)
TARNWICK_TEST_MAIN

#include "tst_mapwin.moc"
