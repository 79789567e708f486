#include "properties/propertyreader.h"
#include "script/luaapi.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"
#include "tests/testmain.h"

#include <QTest>

class TestPropertyReader : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;

private Q_SLOTS:
    void init()
    {
        m_console.lines.clear();
        m_host = std::make_unique<ScriptHost>();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
    }

    void cleanup()
    {
        m_host->SetConsole(nullptr);
        m_host.reset();
    }

    // The keys come in the order Lua's own traversal gives them, whatever that order is.
    void keysInTraversalOrder_data()
    {
        QTest::addColumn<QString>("ideData");
        QTest::newRow("the three kinds") << "{ look = '', hooks = '', constructor = '' }";
        QTest::newRow("many methods")
            << "(function () local t = {} for i = 1, 40 do t['m' .. i] = '' end return t end)()";
        QTest::newRow("Cyrillic keys") << "{ ['осмотреть'] = '', ['взять'] = '', ['идти'] = '' }";
        QTest::newRow("number keys") << "{ '', '', look = '', [2.5] = '' }";
        QTest::newRow("empty") << "{}";
    }

    void keysInTraversalOrder()
    {
        QFETCH(QString, ideData);
        m_host->RunLua(QStringLiteral("hall = { name = 'Зал', ide_data = ") + ideData + QLatin1String(" }"));
        const QString order = m_host->EvalString(QStringLiteral(
            "(function () local t = {} for k in pairs(hall.ide_data) do table.insert(t, tostring(k)) end "
            "return table.concat(t, '|') end)()"));
        const QStringList expected = order.isEmpty() ? QStringList() : order.split(QLatin1Char('|'));

        const int top = lua_gettop(m_host->State());
        const PropertyReader::ObjectListing listing =
            PropertyReader::ReadObject(m_host->State(), QStringLiteral("hall"));
        QCOMPARE(lua_gettop(m_host->State()), top);
        QVERIFY(listing.exists);
        QCOMPARE(listing.name, QStringLiteral("Зал"));
        QVERIFY(!listing.ideDataMissing);
        QCOMPARE(listing.keys, expected);
        // Reading number keys must not turn them into strings under the traversal.
        QCOMPARE(m_host->EvalString(QStringLiteral(
                     "(function () local n = 0 for k in pairs(hall.ide_data) do n = n + 1 end return n end)()")),
                 QString::number(expected.size()));
    }

    void oddObjects_data()
    {
        QTest::addColumn<QString>("world");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("ideDataMissing");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("no such global") << "" << false << "" << false << QStringList();
        QTest::newRow("global is a number") << "odd = 5" << false << "" << false << QStringList();
        QTest::newRow("global is a string") << "odd = 'odd'" << false << "" << false << QStringList();
        QTest::newRow("name is a number") << "odd = { name = 12, ide_data = {} }" << true << "12"
                                          << false << QStringList();
        QTest::newRow("name is a table") << "odd = { name = {}, ide_data = {} }" << true << ""
                                         << false << QStringList();
        QTest::newRow("never shown") << "odd = { name = 'Странный' }" << true << "Странный" << true
                                     << QStringList();
        QTest::newRow("ide_data is text") << "odd = { name = 'x', ide_data = 'text' }" << true << "x"
                                          << false << QStringList();
        QTest::newRow("key that is no text") << "odd = { ide_data = { [true] = '' } }" << true << ""
                                             << false << QStringList{QString()};
        QTest::newRow("fields read through the class")
            << "local class = { name = 'Общее', ide_data = { look = '' } }; "
               "odd = setmetatable({}, { __index = class })"
            << true << "Общее" << false << QStringList{"look"};
        QTest::newRow("field access raises")
            << "odd = setmetatable({}, { __index = function () error('boom') end })" << false << ""
            << false << QStringList();
    }

    void oddObjects()
    {
        QFETCH(QString, world);
        QFETCH(bool, exists);
        QFETCH(QString, name);
        QFETCH(bool, ideDataMissing);
        QFETCH(QStringList, keys);
        m_host->RunLua(world);
        QCOMPARE(m_console.Texts(), QStringList());

        const int top = lua_gettop(m_host->State());
        const PropertyReader::ObjectListing listing =
            PropertyReader::ReadObject(m_host->State(), QStringLiteral("odd"));
        QCOMPARE(lua_gettop(m_host->State()), top);
        QCOMPARE(listing.exists, exists);
        QCOMPARE(listing.name, name);
        QCOMPARE(listing.ideDataMissing, ideDataMissing);
        QCOMPARE(listing.keys, keys);
        QCOMPARE(m_console.Texts(), QStringList());
    }

    void source_data()
    {
        QTest::addColumn<QString>("world");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("present");
        QTest::newRow("method") << "hall = { ide_data = { look = 'print (\"Темно\")' } }" << "look"
                                << true << "print (\"Темно\")" << true;
        QTest::newRow("empty source") << "hall = { ide_data = { look = '' } }" << "look" << true << ""
                                      << true;
        QTest::newRow("number source") << "hall = { ide_data = { look = 5 } }" << "look" << true << "5"
                                       << true;
        QTest::newRow("table source") << "hall = { ide_data = { look = {} } }" << "look" << true << ""
                                      << true;
        QTest::newRow("missing key") << "hall = { ide_data = {} }" << "look" << true << "" << false;
        QTest::newRow("ide_data is text") << "hall = { ide_data = 'x' }" << "look" << true << "" << false;
        QTest::newRow("no object") << "" << "look" << false << "" << false;
        QTest::newRow("Cyrillic key") << "hall = { ide_data = { ['взять'] = 'x = 1' } }"
                                      << "взять" << true << "x = 1" << true;
    }

    void source()
    {
        QFETCH(QString, world);
        QFETCH(QString, key);
        QFETCH(bool, exists);
        QFETCH(QString, text);
        QFETCH(bool, present);
        m_host->RunLua(world);
        const int top = lua_gettop(m_host->State());
        const PropertyReader::Source source =
            PropertyReader::ReadSource(m_host->State(), QStringLiteral("hall"), key);
        QCOMPARE(source.exists, exists);
        QCOMPARE(source.text, text);
        QCOMPARE(PropertyReader::HasProperty(m_host->State(), QStringLiteral("hall"), key), present);
        QCOMPARE(lua_gettop(m_host->State()), top);
    }
};

TARNWICK_TEST(TestPropertyReader)
#include "tst_propertyreader.moc"
