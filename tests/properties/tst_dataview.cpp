// The data area inside the main window, driven by the author's keys and clicks: what the tree and
// the value field show, what each edit and command echoes and runs, and what the world then holds.

#include "app/mainwin.h"
#include "project/projectcommands.h"
#include "properties/datareader.h"
#include "properties/datastatements.h"
#include "properties/dataview.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/files.h"
#include "tests/support/recordingconsole.h"
#include "tests/testmain.h"
#include "tree/itemswin.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <memory>

namespace DS = DataStatements;

class TestDataView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMainWin> m_main;
    FakeAsker m_asker;
    RecordingConsole m_console;

    ScriptHost &Host() const { return m_main->Host(); }
    QTreeWidget *Tree() const { return m_main->Properties()->Data(); }
    QLineEdit *Field() const { return m_main->Properties()->Field(); }

    void Show(const QString &data)
    {
        Host().RunLua(QStringLiteral("hall.data = ") + data);
        m_main->Items()->UpdateItems(QStringLiteral("hall"));
        m_console.lines.clear();
    }

    // Every node depth first, indented by depth, with its image after a bar; ";" between nodes.
    QString Nodes() const
    {
        QStringList nodes;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            QString indent;
            for (QTreeWidgetItem *up = (*it)->parent(); up; up = up->parent())
                indent += QLatin1String("  ");
            nodes << indent + (*it)->text(0) + QLatin1Char('|')
                         + QString::number((*it)->data(0, DataView::ImageRole).toInt())
                         + ((*it)->childCount() > 0 && !(*it)->isExpanded() ? "(collapsed)" : "");
        }
        return nodes.join(QLatin1Char(';'));
    }

    void ClickNode(const QString &text)
    {
        const QList<QTreeWidgetItem *> found = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          Tree()->visualItemRect(found.first()).center());
    }

private Q_SLOTS:
    void init()
    {
        TestRegistry::FailOnWarnings();
        m_asker = FakeAsker();
        m_asker.confirm = true;
        m_main = std::make_unique<TMainWin>();
        m_main->SetAsker(&m_asker);
        m_main->show();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        Host().SetConsole(&m_console);
        Host().RunLua(QStringLiteral("world:create('hall', 'Зал')"));
    }

    void cleanup() { m_main.reset(); }

    void treeShowsData_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("nodes");
        QTest::newRow("nested, expanded") << "{ list = { 'a', { x = 1 } } }"
                                          << ".list|0;  [1] = 'a'|1;  [2]|0;    .x = 1|1";
        QTest::newRow("function value") << "{ f = print }" << ".f = (функция)|1";
        QTest::newRow("holding itself") << "(function () local t = { {} } t[1].up = t return t end)()"
                                        << "[1]|0;  .up = (см. hall.data)|0";
        QTest::newRow("not a table") << "5" << "";
    }
    void treeShowsData()
    {
        QFETCH(QString, data);
        QFETCH(QString, nodes);
        Show(data);
        QCOMPARE(Nodes(), nodes);
        QVERIFY(Tree()->selectedItems().isEmpty());
        QVERIFY(!Field()->isEnabled());
    }

    // A value retyped in the field and written by a key, or by picking another object in the tree
    // (no key); and the commands, whose keys work from the field and the tree alike. A value
    // that is not an expression is refused in red and stays in the field to be mended; a command
    // that cannot apply is refused with a message.
    void edits_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("typed"); // null for a command
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<QString>("nodes");
        QTest::addColumn<QString>("field");
        QTest::newRow("escapes read back")
            << "{ s = \"it's\" }" << ".s = \"it's\"" << "\"a\\\\\\nb" << "Return" << ""
            << "hall.data.s = \"a\\\\\\nb\"" << ".s = \"a\\\\\\nb\"|1" << "\"a\\\\\\nb\"";
        QTest::newRow("key that is no name, leaving")
            << "{ ['two words'] = 1 }" << "[\"two words\"] = 1" << "7" << "Tab" << ""
            << "hall.data[\"two words\"] = 7" << "[\"two words\"] = 7|1" << "7";
        QTest::newRow("brace pair") << "{ n = 1 }" << ".n = 1" << "{" << "Return" << ""
                                    << "hall.data.n = {  }" << ".n|0" << "(таблица)";
        QTest::newRow("Down writes its own node first")
            << "{ 10, 20 }" << "[1] = 10" << "11" << "Down" << "" << "hall.data[1] = 11"
            << "[1] = 11|1;[2] = 20|1" << "20";
        QTest::newRow("another object picked")
            << "{ n = 1 }" << ".n = 1" << "2" << "" << "" << "hall.data.n = 2" << "" << "";
        QTest::newRow("not an expression")
            << "{ n = 1 }" << ".n = 1" << "x = 5" << "Return" << "" << "" << ".n = 1|1" << "x = 5";
        QTest::newRow("add beside a leaf") << "{ t = { 1 } }" << "[1] = 1" << QString() << "Ins" << "x = 5"
                                           << "hall.data.t.x = 5" << ".t|0;  [1] = 1|1;  .x = 5|1" << "1";
        QTest::newRow("add into a table node")
            << "{ t = {} }" << ".t" << QString() << "Ins" << "5" << "table.insert(hall.data.t, 5)"
            << ".t|0;  [1] = 5|1" << "(таблица)";
        QTest::newRow("delete the only node") << "{ n = 1 }" << ".n = 1" << QString() << "Ctrl+Del" << ""
                                              << "hall.data.n = nil" << "" << "";
        QTest::newRow("remove from the table")
            << "{ 10, 20, 30 }" << "[2] = 20" << QString() << "Shift+Del" << ""
            << "table.remove (hall.data, 2)" << "[1] = 10|1;[2] = 30|1" << "30";
        QTest::newRow("no removing a named field")
            << "{ n = 1 }" << ".n = 1" << QString() << "Shift+Del" << "" << "" << ".n = 1|1" << "1";
        QTest::newRow("no deleting under a table key")
            << "{ [{}] = 1 }" << "[(таблица)] = 1" << QString() << "Ctrl+Del" << "" << ""
            << "[(таблица)] = 1|1" << "1";
    }
    void edits()
    {
        QFETCH(QString, data);
        QFETCH(QString, node);
        QFETCH(QString, typed);
        QFETCH(QString, key);
        QFETCH(QString, answer);
        QFETCH(QString, echo);
        QFETCH(QString, nodes);
        QFETCH(QString, field);
        Show(data);
        ClickNode(node);
        m_asker.text = answer;
        if (!typed.isNull()) {
            QTRY_VERIFY(Field()->hasFocus());
            Field()->selectAll();
            QTest::keyClicks(Field(), typed);
        }
        QWidget *target = Field()->isEnabled() ? static_cast<QWidget *>(Field()) : Tree();
        QTRY_VERIFY(target->hasFocus());
        if (!key.isEmpty()) {
            const QKeyCombination keys = QKeySequence(key)[0];
            QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
        } else {
            QTreeWidget *objects = m_main->Items()->Items();
            QTreeWidgetItem *player = m_main->Items()->FindObjectNode(m_main->Items()->Root(),
                                                                      QStringLiteral("player"));
            QTest::mouseClick(objects->viewport(), Qt::LeftButton, {},
                              objects->visualItemRect(player).center());
        }
        QCOMPARE(m_console.Texts(ConsoleKind::Command).join(QLatin1Char(';')), echo);
        const bool inRed = echo.isEmpty() && !typed.isNull();
        QCOMPARE(m_console.Errors().contains(QStringLiteral("= ") + typed), inRed);
        QCOMPARE(m_console.Errors().isEmpty(), !inRed);
        QCOMPARE(m_asker.asked.size(), echo.isEmpty() && typed.isNull() ? 1 : 0);
        QCOMPARE(Nodes(), nodes);
        QCOMPARE(Field()->text(), field);
    }

    // Opening a project shows the data of the object selected in the tree as the file left it.
    void openShowsTheNewData()
    {
        m_main->Items()->UpdateItems(QStringLiteral("player"));
        QTemporaryDir folder;
        const QString name = folder.filePath(QStringLiteral("p.twk"));
        QVERIFY(WriteBytes(name, "player.data = { gold = 5 }\n"));
        m_main->Project().OpenFile(name);
        QCOMPARE(Nodes(), QStringLiteral(".gold = 5|1"));
    }

    // The texts built for a node: the path and value text read back as the very key and value
    // Lua holds, however odd the key or the number.
    void entryReadsBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("float as Lua writes it") << "'n'" << "0.1" << ".n = 0.10000000149012";
        QTest::newRow("boolean key") << "false" << "-3" << "[false] = -3";
        QTest::newRow("keyword key") << "'end'" << "1" << "[\"end\"] = 1";
        QTest::newRow("Cyrillic key") << "'цвет'" << "'красный'" << "[\"цвет\"] = 'красный'";
        QTest::newRow("quote in a key") << "\"a'b\\\"\"" << "1" << "[\"a'b\\\"\"] = 1";
        QTest::newRow("backslash alone in a value")
            << "'path'" << "'C:\\\\games'" << ".path = \"C:\\\\games\"";
        QTest::newRow("infinity") << "1/0" << "-1/0" << "[1/0] = -1/0";
        QTest::newRow("not a number") << "'nan'" << "0/0" << ".nan = 0/0";
    }

    void entryReadsBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, text);
        ScriptHost host;
        host.RunLua(QStringLiteral("hall = { data = {} } hall.data[") + key + QStringLiteral("] = ") + value);
        const DataNode::Tree tree = DataReader::Read(host.State(), QStringLiteral("hall"));
        QCOMPARE(tree.nodes.size(), size_t(1));
        const DataNode::Node &node = tree.nodes.front();
        QCOMPARE(DS::KeyText(node.key) + DS::ValueSuffix(node.value), text);
        // Written back through the path, the value lands under the same key, unchanged.
        host.RunLua(QStringLiteral("old = hall.data[") + key + QStringLiteral("] hall.data = {}"));
        host.RunLua(DS::SetStatement(DS::Path(QStringLiteral("hall"), {DS::KeyPart(node.key)}),
                                     DS::Literal(node.value)));
        QCOMPARE(host.EvalString(QStringLiteral("(function () local k, v = next(hall.data) "
                                                "return tostring(k == (") + key
                                 + QStringLiteral(") and (v == old or v ~= v)) end)()")),
                 QStringLiteral("true"));
    }

    void addStatement_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("statement");
        QTest::newRow("bracketed key") << "[\"a b\"] = 1" << "t[\"a b\"] = 1";
        QTest::newRow("equals inside a table") << "{a = 1}" << "table.insert(t, {a = 1})";
        QTest::newRow("equals inside a string") << "'a=b'" << "table.insert(t, 'a=b')";
        QTest::newRow("comparison") << "x == 5" << "table.insert(t, x == 5)";
    }

    void addStatement()
    {
        QFETCH(QString, answer);
        QFETCH(QString, statement);
        QCOMPARE(DS::AddStatement(QStringLiteral("t"), answer), statement);
    }
};

TARNWICK_TEST(TestDataView)
#include "tst_dataview.moc"
