// The object tree inside the main window, driven with real input and answered by real boxes:
// Copy and Paste carry a subtree from one project to the next, a label confirmed with a box up
// leaves the program standing, and a property dragged from the property list is the one the
// editor then shows.

#include "app/mainwin.h"
#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tests/support/boxanswerer.h"
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
#include <QTest>
#include <QTreeWidget>

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

    QPoint At(QTreeWidget *view, QTreeWidgetItem *item) const
    {
        view->scrollToItem(item);
        return view->visualItemRect(item).center();
    }

    void ClickNode(const QString &name, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTreeWidgetItem *node = Node(name);
        QVERIFY2(node, qPrintable(name));
        RealInput::Click(TreeArea(), At(Tree()->Items(), node), keys);
    }

    QWidget *TreeArea() const { return Tree()->Items()->viewport(); }
    QPoint AtNode(const QString &name) const { return At(Tree()->Items(), Node(name)); }

    QTreeWidgetItem *Entry(const QString &caption) const
    {
        const QList<QTreeWidgetItem *> entries = List()->findItems(caption, Qt::MatchExactly);
        return entries.size() == 1 ? entries.first() : nullptr;
    }

    void Key(Qt::Key key)
    {
        QTest::keyClick(RealInput::WindowOf(m_main.get()), key);
    }

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

    void cleanup()
    {
        m_main.reset();
        m_answerer.reset();
    }

    void copyToAnotherProject_data()
    {
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("value");
        QTest::newRow("the owner's name") << "world" << "room.parent.uid .. room.name"
                                          << QString::fromUtf8("worldКомната");
        QTest::newRow("the subtree") << "world" << "box.parent.uid .. box.name"
                                     << QString::fromUtf8("roomЯщик");
        QTest::newRow("a compiled method") << "world" << "box:look ()" << "a]]b";
        QTest::newRow("the data") << "world" << "box.data.n" << "5";
        QTest::newRow("under another object") << "player" << "room.parent.uid" << "player";
    }
    void copyToAnotherProject()
    {
        QFETCH(QString, receiver);
        QFETCH(QString, expression);
        QFETCH(QString, value);
        Host().RunLua(QStringLiteral("dofile 'postload.lua'"));
        Tree()->UpdateItems(QStringLiteral("room"));
        QApplication::clipboard()->clear();
        Tree()->Editor().Item(QStringLiteral("N5"))->trigger();
        QVERIFY(QApplication::clipboard()->text().startsWith(QLatin1String("world:create")));
        m_main->Project().New();
        QVERIFY(!Host().EvalDefined(QStringLiteral("room")));
        Tree()->UpdateItems(receiver);
        Tree()->Editor().Item(QStringLiteral("N6"))->trigger();
        QCOMPARE(Host().EvalString(expression), value);
        QVERIFY(Node(QStringLiteral("box")));
        QCOMPARE(Tree()->SelectedUid(), receiver);
        QCOMPARE(m_answerer->boxes, QStringList());
    }

    // Insert, a name typed (or the one proposed kept), Return: the box that may come up takes the
    // focus from the label editor while the confirmation is still under way, and closing it must
    // leave the program standing, the tree and the world agreeing.
    void labelConfirmedWithABoxUp_data()
    {
        QTest::addColumn<QString>("lua");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("label");
        const QString warning =
            QString::number(QMessageBox::Warning) + QStringLiteral("|Предупреждение|");
        QTest::newRow("the proposed name kept") << "" << "" << "" << "newobject0";
        QTest::newRow("a name") << "" << "lantern" << "" << "lantern";
        QTest::newRow("not a name")
            << "" << "1bad" << warning + QStringLiteral("«1bad» не годится в имена объектов.")
            << "newobject0";
        QTest::newRow("taken in the tree")
            << "" << "room" << warning + QStringLiteral("Такой объект уже существует в дереве.")
            << "newobject0";
        // A Lua value is overwritten only after a question with the stop icon.
        QTest::newRow("a Lua value")
            << "lantern = 5" << "lantern"
            << QString::number(QMessageBox::Critical)
                   + QStringLiteral("|Предупреждение|Такой объект уже существует в LUA.")
            << "lantern";
    }
    void labelConfirmedWithABoxUp()
    {
        QFETCH(QString, lua);
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(QString, label);
        Host().RunLua(lua);
        m_answerer->pick = [](QMessageBox *box) { return box->button(QMessageBox::Yes); };
        ClickNode(QStringLiteral("room"));
        Key(Qt::Key_Insert);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("newobject0"));
        if (!typed.isEmpty()) {
            editor->selectAll();
            QTest::keyClicks(editor, typed);
        }
        Key(Qt::Key_Return);
        QTRY_VERIFY(!Tree()->Items()->IsEditing());
        QTest::qWait(20);
        QCOMPARE(m_answerer->boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(m_answerer->boxes.first().startsWith(box),
                     qPrintable(m_answerer->boxes.first()));
        QVERIFY(Node(label));
        QCOMPARE(Host().EvalString(label + QStringLiteral(".uid .. ") + label
                                   + QStringLiteral(".parent.uid")),
                 label + QStringLiteral("room"));
        // The next keys reach the tree as usual.
        Key(Qt::Key_Return);
        QCOMPARE(Tree()->SelectedUid(), label);
    }

    // Pressing on an entry and dragging it onto an object copies that property, and the editor
    // shows it from the press on: typing there changes that property and no other.
    void draggedPropertyIsTheOneShown()
    {
        TPropertiesWin *properties = m_main->Properties();
        ClickNode(QStringLiteral("box"));
        RealInput::Click(List()->viewport(), At(List(), Entry(QStringLiteral("look"))));
        QCOMPARE(properties->BeginLabel()->text(), QStringLiteral("function box:look (event)"));
        RealInput::Drag(List()->viewport(), At(List(), Entry(QStringLiteral("take"))),
                        TreeArea(), AtNode(QStringLiteral("lamp")),
                        Qt::NoModifier, [&] {
                            QCOMPARE(Host().EvalString(QStringLiteral("lamp.ide_data.take")),
                                     QStringLiteral("return 2"));
                            QCOMPARE(properties->BeginLabel()->text(),
                                     QStringLiteral("function box:take (event)"));
                            QCOMPARE(properties->Method()->Text(), QStringLiteral("return 2"));
                            RealInput::Click(properties->Method()->viewport(), QPoint(5, 5));
                            QTest::keyClick(properties->Method(), Qt::Key_End);
                            QTest::keyClicks(properties->Method(), QStringLiteral("0"));
                        });
        ClickNode(QStringLiteral("cellar"));
        QCOMPARE(Host().EvalString(QStringLiteral("box.ide_data.take .. box.ide_data.look")),
                 QStringLiteral("return 20return \"a]]b\""));
        QCOMPARE(properties->Pending().property, QStringLiteral("take"));
    }

    // With names marked, a property dragged from the list is dropped for each of them in tree
    // order; one without that property leaves the target's as it was.
    void propertyDroppedForEveryMarkedObject()
    {
        ClickNode(QStringLiteral("key"));
        ClickNode(QStringLiteral("lamp"), Qt::ControlModifier);
        ClickNode(QStringLiteral("box"), Qt::ControlModifier);
        QCOMPARE(Tree()->SelectedNames().size(), 3);
        RealInput::Drag(List()->viewport(), At(List(), Entry(QStringLiteral("take"))),
                        TreeArea(), AtNode(QStringLiteral("cellar")));
        // box, then key, then lamp, which has no take.
        QTRY_COMPARE(Host().EvalString(QStringLiteral("cellar.ide_data.take")),
                     QStringLiteral("return 3"));
        QCOMPARE(Host().EvalString(QStringLiteral("cellar:take ()")), QStringLiteral("3"));
        QVERIFY(Tree()->SelectedNames().size() < 2);
    }
};
TARNWICK_TEST(TestItemsWorkbench)

#include "tst_itemsworkbench.moc"
