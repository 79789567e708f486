// The object tree inside the main window, driven with real input and answered by real boxes:
// Copy and Paste carry a subtree from one project to the next, a label confirmed with a box up
// leaves the program standing, a property dragged from the property list is the one the editor
// then shows, and a delete keeps what was being typed.

#include "app/mainwin.h"
#include "console/consolewin.h"
#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tests/support/realinput.h"
#include "tests/testmain.h"
#include "tree/itemseditor.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

class TestItemsWorkbench : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    std::unique_ptr<BoxAnswerer> m_answerer;

    TItemsWin *Tree() const { return m_main->Items(); }
    QTreeWidget *List() const { return m_main->Properties()->PropNames(); }
    ScriptHost &Host() const { return m_main->Host(); }
    QTreeWidgetItem *Node(const QString &name) const
    {
        return Tree()->FindObjectNode(Tree()->Root(), name);
    }

    // The middle of the tree's node or the list's entry bearing text.
    QPoint At(QTreeWidget *view, const QString &text) const
    {
        QTreeWidgetItem *item =
            view == List() ? List()->findItems(text, Qt::MatchExactly).value(0) : Node(text);
        view->scrollToItem(item);
        return view->visualItemRect(item).center();
    }
    void Click(QTreeWidget *view, const QString &text, Qt::KeyboardModifiers keys = {})
    {
        RealInput::Click(view->viewport(), At(view, text), keys);
    }
    void Drag(const QString &entry, const QString &node,
              const std::function<void()> &whileDown = {})
    {
        RealInput::Drag(List()->viewport(), At(List(), entry), Tree()->Items()->viewport(),
                        At(Tree()->Items(), node), Qt::NoModifier, whileDown);
    }
    void Key(Qt::Key key) { QTest::keyClick(RealInput::WindowOf(m_main.get()), key); }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_answerer = std::make_unique<BoxAnswerer>();
        m_main = std::make_unique<TMainWin>();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        Host().RunLua(QString::fromUtf8(
            "world:create ('room', 'Комната') room:create ('box', 'Ящик') room:create ('key') "
            "box.ide_data = {look = 'return \"a]]b\"', take = 'return 2'} box.data.n = 5 "
            "key.ide_data = {take = 'return 3'} world:create ('lamp') world:create ('cellar') "
            "update_items ()"));
        Tree()->Items()->expandAll();
    }

    void cleanup() { m_main.reset(); }

    // The subtree copied, with its names, compiled methods and data, is pasted under the object
    // selected in a new project.
    void copyToAnotherProject()
    {
        Host().RunLua(QStringLiteral("dofile 'postload.lua'"));
        Tree()->UpdateItems(QStringLiteral("room"));
        QApplication::clipboard()->clear();
        Tree()->Editor().Item(QStringLiteral("N5"))->trigger();
        QVERIFY(QApplication::clipboard()->text().startsWith(QLatin1String("world:create")));
        m_main->Project().New();
        QVERIFY(!Host().EvalDefined(QStringLiteral("room")));
        Tree()->UpdateItems(QStringLiteral("player"));
        Tree()->Editor().Item(QStringLiteral("N6"))->trigger();
        QCOMPARE(Host().EvalString(QStringLiteral("room.parent.uid .. room.name .. box.parent.uid "
                                                  ".. box.name .. box:look () .. box.data.n")),
                 QString::fromUtf8("playerКомнатаroomЯщикa]]b5"));
        QVERIFY(Node(QStringLiteral("box")));
        QCOMPARE(Tree()->SelectedUid(), QStringLiteral("player"));
        QCOMPARE(m_answerer->boxes, QStringList());
    }

    // Insert, a name typed (or the one proposed kept), Return: a box coming up takes the focus
    // from the label editor while the name is still being confirmed; the program must stand.
    void labelConfirmedWithABoxUp_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("label");
        QTest::newRow("the proposed name kept") << "" << "" << "" << "newobject0";
        QTest::newRow("a name") << "" << "lantern" << "" << "lantern";
        QTest::newRow("not a name") << "" << "1bad" << "2|Предупреждение|«1bad» не годится"
                                    << "newobject0";
        QTest::newRow("taken in the tree")
            << "" << "room" << "2|Предупреждение|Такой объект уже существует в дереве."
            << "newobject0";
        // A Lua value is overwritten only after a question with the stop icon.
        QTest::newRow("a Lua value") << "lantern = 5" << "lantern"
                                     << "3|Предупреждение|Такой объект уже существует в LUA."
                                     << "lantern";
    }
    void labelConfirmedWithABoxUp()
    {
        QFETCH(QString, lua);
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(QString, label);
        Host().RunLua(lua);
        m_answerer->pick = [](QMessageBox *question) { return question->button(QMessageBox::Yes); };
        Click(Tree()->Items(), QStringLiteral("room"));
        Key(Qt::Key_Insert);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor && editor->text() == QLatin1String("newobject0"));
        editor->selectAll();
        QTest::keyClicks(editor, typed.isEmpty() ? QStringLiteral("newobject0") : typed);
        Key(Qt::Key_Return);
        QTRY_VERIFY(!Tree()->Items()->IsEditing());
        QTest::qWait(20);
        QCOMPARE(m_answerer->boxes.size(), box.isEmpty() ? 0 : 1);
        QCOMPARE(m_answerer->boxes.value(0).left(box.size()), box);
        QVERIFY(Node(label));
        QCOMPARE(Host().EvalString(label + QStringLiteral(".parent.uid")), QStringLiteral("room"));
        Key(Qt::Key_Return);
        QCOMPARE(Tree()->SelectedUid(), label);
    }

    // The editor shows an entry from the press on it: dragged onto an object, the property is
    // copied, and typing then changes that property and no other.
    void draggedPropertyIsTheOneShown()
    {
        TPropertiesWin *properties = m_main->Properties();
        MethodEditor *method = properties->Method();
        Click(Tree()->Items(), QStringLiteral("box"));
        Click(List(), QStringLiteral("look"));
        Drag(QStringLiteral("take"), QStringLiteral("lamp"), [&] {
            QCOMPARE(Host().EvalString(QStringLiteral("lamp.ide_data.take")),
                     QStringLiteral("return 2"));
            QCOMPARE(properties->BeginLabel()->text(), QStringLiteral("function box:take (event)"));
            QCOMPARE(method->Text(), QStringLiteral("return 2"));
            RealInput::Click(method->viewport(), QPoint(5, 5));
            QTest::keyClick(method, Qt::Key_End);
            QTest::keyClicks(method, QStringLiteral("0"));
        });
        Click(Tree()->Items(), QStringLiteral("cellar"));
        QCOMPARE(Host().EvalString(QStringLiteral("box.ide_data.take .. box.ide_data.look")),
                 QStringLiteral("return 20return \"a]]b\""));
    }

    // Deleting from the menu while a method is being typed stores the typing in that object
    // first, and in no other.
    void deleteStoresThePropertyEditFirst()
    {
        MethodEditor *method = m_main->Properties()->Method();
        Click(Tree()->Items(), QStringLiteral("key"));
        Click(List(), QStringLiteral("take"));
        RealInput::Click(method->viewport(), QPoint(5, 5));
        QTest::keyClick(method, Qt::Key_End);
        QTest::keyClicks(method, QStringLiteral("0"));
        Tree()->Editor().Item(QStringLiteral("N2"))->trigger();
        const QString log = m_main->Console()->Output()->toPlainText();
        const qsizetype stored = log.indexOf(QLatin1String("function key:take(event)\nreturn 30"));
        QVERIFY(stored >= 0);
        QVERIFY(log.indexOf(QLatin1String("key:remove(); key= nil"), stored) > stored);
        QCOMPARE(Tree()->SelectedUid(), QStringLiteral("box"));
        QCOMPARE(Host().EvalString(QStringLiteral("box.ide_data.take")), QStringLiteral("return 2"));
    }

    // With names marked, the property is dropped for each in tree order: box's, then key's; lamp
    // has none and leaves the target's alone.
    void propertyDroppedForEveryMarkedObject()
    {
        Click(Tree()->Items(), QStringLiteral("key"));
        Click(Tree()->Items(), QStringLiteral("lamp"), Qt::ControlModifier);
        Click(Tree()->Items(), QStringLiteral("box"), Qt::ControlModifier);
        Drag(QStringLiteral("take"), QStringLiteral("cellar"));
        QCOMPARE(Host().EvalString(QStringLiteral("cellar:take ()")), QStringLiteral("3"));
        QVERIFY(Tree()->SelectedNames().size() < 2);
    }
};
TARNWICK_TEST(TestItemsWorkbench)

#include "tst_itemsworkbench.moc"
