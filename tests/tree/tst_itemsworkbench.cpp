// The object tree inside the main window: Copy and Paste carry a subtree from one project to the
// next, and a property dragged from the property list is the one selected there.

#include "app/asker.h"
#include "app/mainwin.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tests/testmain.h"
#include "tree/itemsdrophandler.h"
#include "tree/itemseditor.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

class QuietAsker : public Asker
{
public:
    QMessageBox::StandardButton Question(QWidget *, const QString &, const QString &text,
                                         QMessageBox::StandardButtons) override
    {
        asked << text;
        return QMessageBox::No;
    }
    bool AskText(QWidget *, const QString &, const QString &, QString *) override { return false; }
    void ShowError(QWidget *, const QString &, const QString &text) override { asked << text; }

    QStringList asked;
};

} // namespace

class TestItemsWorkbench : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    QuietAsker m_asker;

    TItemsWin *Tree() const { return m_main->Items(); }

    void Select(const QString &name)
    {
        Tree()->UpdateItems(name);
        QCOMPARE(Tree()->SelectedUid(), name);
    }

private Q_SLOTS:
    void init()
    {
        m_asker = QuietAsker();
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_asker);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_main->Host().RunLua(QString::fromUtf8(
            "world:create ('room', 'Комната') room:create ('box', 'Ящик') "
            "box.ide_data = {look = 'return \"a]]b\"'} box.data.n = 5"));
    }

    void cleanup() { m_main.reset(); }

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
        Select(QStringLiteral("room"));
        QApplication::clipboard()->clear();
        Tree()->Editor().Item(QStringLiteral("N5"))->trigger();
        QVERIFY(QApplication::clipboard()->text().startsWith(QLatin1String("world:create")));
        m_main->Project().New();
        QVERIFY(!m_main->Host().EvalDefined(QStringLiteral("room")));
        Select(receiver);
        Tree()->Editor().Item(QStringLiteral("N6"))->trigger();
        QCOMPARE(m_main->Host().EvalString(expression), value);
        QVERIFY(Tree()->FindObjectNode(Tree()->Root(), QStringLiteral("box")));
        QCOMPARE(Tree()->SelectedUid(), receiver);
        QCOMPARE(m_asker.asked, QStringList());
    }

    void propertyDraggedFromTheList_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("value");
        QTest::newRow("a method") << "look" << "player:look ()" << "a]]b";
        QTest::newRow("the data") << QString::fromUtf8("Данные") << "player.data.n" << "5";
    }
    void propertyDraggedFromTheList()
    {
        QFETCH(QString, caption);
        QFETCH(QString, expression);
        QFETCH(QString, value);
        Select(QStringLiteral("box"));
        QTreeWidget *list = m_main->Properties()->PropNames();
        const QList<QTreeWidgetItem *> entries = list->findItems(caption, Qt::MatchExactly);
        QCOMPARE(entries.size(), 1);
        list->setCurrentItem(entries.first());
        QTreeWidgetItem *player = Tree()->FindObjectNode(Tree()->Root(), QStringLiteral("player"));
        QVERIFY(Tree()->Drops().ItemsDragOver(list, player, Qt::NoModifier));
        Tree()->Drops().ItemsDragDrop(list, player);
        QCOMPARE(m_main->Host().EvalString(expression), value);
    }
};
TARNWICK_TEST(TestItemsWorkbench)

#include "tst_itemsworkbench.moc"
