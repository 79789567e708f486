// The data tree's texts and statements against a real script state: what a node shows, and that
// the path and value text built for it read back as the very key and value Lua holds.

#include "properties/datareader.h"
#include "properties/datastatements.h"
#include "script/scripthost.h"
#include "tests/testmain.h"

#include <QTest>

namespace DS = DataStatements;

class TestDataStatements : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryReadsBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("name") << "'name'" << "'box'" << ".name = 'box'";
        QTest::newRow("float as Lua writes it") << "'n'" << "0.1" << ".n = 0.10000000149012";
        QTest::newRow("index") << "2" << "20" << "[2] = 20";
        QTest::newRow("float index") << "2.5" << "true" << "[2.5] = true";
        QTest::newRow("boolean key") << "false" << "-3" << "[false] = -3";
        QTest::newRow("key with a blank") << "'two words'" << "1" << "[\"two words\"] = 1";
        QTest::newRow("keyword key") << "'end'" << "1" << "[\"end\"] = 1";
        QTest::newRow("Cyrillic key") << "'цвет'" << "'красный'" << "[\"цвет\"] = 'красный'";
        QTest::newRow("quote in a string") << "'s'" << "\"it's\"" << ".s = \"it's\"";
        QTest::newRow("backslash and line break") << "'s'" << "'a\\\\b\\nc'" << ".s = \"a\\\\b\\nc\"";
        QTest::newRow("quote in a key") << "\"a'b\\\"\"" << "1" << "[\"a'b\\\"\"] = 1";
        QTest::newRow("huge") << "'big'" << "1e30" << ".big = 1.0000000150475e+30";
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
        QTest::newRow("element") << "5" << "table.insert(t, 5)";
        QTest::newRow("named field") << "x = 5" << "t.x = 5";
        QTest::newRow("blanks kept") << " x= 'a'" << "t. x= 'a'";
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

TARNWICK_TEST(TestDataStatements)
#include "tst_datastatements.moc"
