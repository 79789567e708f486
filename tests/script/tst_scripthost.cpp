#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"

#include <QTest>

#include <memory>

class TestScriptHost : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;

    int Top() const { return lua_gettop(m_host->State()); }

private Q_SLOTS:
    void init()
    {
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_host->SetConsole(&m_console);
    }

    void printWritesOneNormalLine_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<QString>("line");
        QTest::newRow("mixed values") << "print(nil, 1.5, 'a', true, {})"
                                      << "nil\t1.5\ta\ttrue\ttable\t";
        QTest::newRow("no arguments") << "print()" << "";
        QTest::newRow("float number") << "print(0.1)" << "0.10000000149012\t";
        QTest::newRow("integer") << "print(2, -7)" << "2\t-7\t";
        QTest::newRow("function and false") << "print(print, false)" << "function\tfalse\t";
        QTest::newRow("embedded line break stays in the line") << "print('a\\nb')" << "a\nb\t";
        QTest::newRow("cyrillic") << QString::fromUtf8("print('взять лампу')")
                                  << QString::fromUtf8("взять лампу\t");
    }
    void printWritesOneNormalLine()
    {
        QFETCH(QString, chunk);
        QFETCH(QString, line);
        m_host->RunLua(chunk);
        QCOMPARE(m_console.lines.size(), 1);
        QCOMPARE(m_console.lines[0].first, line);
        QCOMPARE(m_console.lines[0].second, int(ConsoleKind::Normal));
    }

    void errorPrintWritesOneErrorLine_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<QString>("line");
        QTest::newRow("string") << "error_print('boom')" << "boom";
        QTest::newRow("number") << "error_print(12)" << "12";
        QTest::newRow("missing") << "error_print()" << "";
        QTest::newRow("table") << "error_print({})" << "";
        QTest::newRow("only the first") << "error_print('a', 'b')" << "a";
    }
    void errorPrintWritesOneErrorLine()
    {
        QFETCH(QString, chunk);
        QFETCH(QString, line);
        m_host->RunLua(chunk);
        QCOMPARE(m_console.lines.size(), 1);
        QCOMPARE(m_console.lines[0].first, line);
        QCOMPARE(m_console.lines[0].second, int(ConsoleKind::Error));
    }

    void echoedRunWritesTheCommandFirst()
    {
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        m_host->RunEchoed(QStringLiteral("print('x'); error('y')"));
        QCOMPARE(m_console.lines.size(), 3);
        QCOMPARE(m_console.lines[0].first, QStringLiteral("print('x'); error('y')"));
        QCOMPARE(m_console.lines[0].second, int(ConsoleKind::Command));
        QCOMPARE(m_console.lines[1].second, int(ConsoleKind::Normal));
        QCOMPARE(m_console.lines[2].second, int(ConsoleKind::Error));
    }

    void failureWithoutAlertWritesNothing()
    {
        m_host->RunLua(QStringLiteral("x = = 1"));
        m_host->RunLua(QStringLiteral("error('runtime')"));
        QVERIFY(m_console.lines.isEmpty());
    }

    void failureGoesToAlert_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<QString>("start");
        QTest::newRow("syntax") << "x = = 1" << "[string \"x = = 1\"]:1:";
        QTest::newRow("runtime") << "local a = nil\na.b = 1" << "[string \"local a = nil...\"]:2:";
    }
    void failureGoesToAlert()
    {
        QFETCH(QString, chunk);
        QFETCH(QString, start);
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        m_host->RunLua(chunk);
        QCOMPARE(m_console.lines.size(), 1);
        QVERIFY2(m_console.lines[0].first.startsWith(start), qPrintable(m_console.lines[0].first));
        QCOMPARE(m_console.lines[0].second, int(ConsoleKind::Error));
    }

    void fileChunkErrorsNameTheFileAndLine()
    {
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        m_host->RunFile("world_items = {}\r\nx = = 1\r\n", QStringLiteral("/tmp/cave.twk"));
        QCOMPARE(m_console.lines.size(), 1);
        QVERIFY2(m_console.lines[0].first.startsWith(QStringLiteral("/tmp/cave.twk:2:")),
                 qPrintable(m_console.lines[0].first));
        QVERIFY(!m_host->EvalDefined(QStringLiteral("world_items")));
    }

    void failingAlertDoesNotEscape()
    {
        m_host->RunLua(QStringLiteral("_ALERT = function(m) error('alert broke') end"));
        const int top = Top();
        m_host->RunLua(QStringLiteral("error('first')"));
        QCOMPARE(Top(), top);
        m_host->RunLua(QStringLiteral("print('still alive')"));
        QCOMPARE(m_console.Texts(), QStringList{QStringLiteral("still alive\t")});
    }

    void effectsBeforeAnErrorRemain()
    {
        m_host->RunLua(QStringLiteral("done = 1; error('late')"));
        QCOMPARE(m_host->EvalString(QStringLiteral("done")), QStringLiteral("1"));
    }

    void evaluations_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("string");
        QTest::addColumn<bool>("defined");
        QTest::addColumn<QString>("literal");
        QTest::newRow("sum") << "1+1" << "2" << true << "2";
        QTest::newRow("float") << "0.1" << "0.10000000149012" << true << "0.100000001490116";
        QTest::newRow("string") << "'x'" << "x" << true << "'x'";
        QTest::newRow("quote kept raw") << "\"it's\"" << "it's" << true << "'it's'";
        QTest::newRow("table") << "{}" << "" << true << "";
        QTest::newRow("nil") << "nil" << "" << false << "";
        QTest::newRow("undefined global") << "no_such_global" << "" << false << "";
        QTest::newRow("true") << "1 == 1" << "" << true << "true";
        QTest::newRow("false") << "1 == 2" << "" << true << "false";
        QTest::newRow("failing") << "nil + 1" << "" << false << "";
        QTest::newRow("syntax error") << ")(" << "" << false << "";
        QTest::newRow("cyrillic") << QString::fromUtf8("'Ёлка'") << QString::fromUtf8("Ёлка") << true
                                  << QString::fromUtf8("'Ёлка'");
    }
    void evaluations()
    {
        QFETCH(QString, expression);
        QFETCH(QString, string);
        QFETCH(bool, defined);
        QFETCH(QString, literal);
        const int top = Top();
        QCOMPARE(m_host->EvalString(expression), string);
        QCOMPARE(m_host->EvalDefined(expression), defined);
        QCOMPARE(m_host->EvalLiteral(expression), literal);
        QCOMPARE(Top(), top);
    }

    void runKeepsResultsOnlyWhenAsked()
    {
        const int top = Top();
        m_host->RunLua(QStringLiteral("return 1, 2, 3"));
        QCOMPARE(Top(), top);
        QCOMPARE(m_host->RunKeepingResults("return 1, 'two'"), 2);
        QCOMPARE(Top(), top + 2);
        QCOMPARE(QByteArray(lua_tostring(m_host->State(), -1)), QByteArray("two"));
        lua_settop(m_host->State(), top);
        QCOMPARE(m_host->RunKeepingResults("error('x')"), -1);
        QCOMPARE(Top(), top);
    }

    // A C function called from a chunk runs more chunks while the outer one is suspended.
    void nestedRunsKeepTheStackBalanced()
    {
        class NestedRefresher : public ItemsRefresher
        {
        public:
            explicit NestedRefresher(ScriptHost &host) : m_host(host) {}
            void UpdateItemsFromScript() override
            {
                ++calls;
                depthSeen = m_host.Depth();
                m_host.RunLua(QStringLiteral("inner = (inner or 0) + 1"));
                name = m_host.EvalString(QStringLiteral("outer_name"));
            }
            ScriptHost &m_host;
            int calls = 0;
            int depthSeen = 0;
            QString name;
        };
        NestedRefresher refresher(*m_host);
        m_host->SetItems(&refresher);
        const int top = Top();
        m_host->RunLua(QStringLiteral(
            "outer_name = 'room'; for i = 1, 60 do update_items() end; after = inner"));
        QCOMPARE(refresher.calls, 60);
        QCOMPARE(refresher.depthSeen, 1);
        QCOMPARE(refresher.name, QStringLiteral("room"));
        QCOMPARE(m_host->EvalString(QStringLiteral("after")), QStringLiteral("60"));
        QCOMPARE(Top(), top);
        QCOMPARE(m_host->Depth(), 0);
    }

    void outermostRunFlushesTheConsole()
    {
        m_host->RunLua(QStringLiteral("print(1)"));
        QCOMPARE(m_console.flushes, 1);
        m_host->EvalString(QStringLiteral("2"));
        QCOMPARE(m_console.flushes, 2);
    }

    void librariesAndGlobals_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("type");
        const char *tables[] = {"os", "io", "string", "math", "debug", "table"};
        for (const char *name : tables)
            QTest::newRow(name) << QString::fromLatin1(name) << "table";
        const char *functions[] = {"print", "error_print", "update_items", "mapdrawline",
                                   "clearpageslist", "addmappage", "writepagename",
                                   "clearpageitems", "pageitemscount", "getpageitem",
                                   "addpageitem"};
        for (const char *name : functions)
            QTest::newRow(name) << QString::fromLatin1(name) << "function";
        QTest::newRow("no alert of its own") << "_ALERT" << "nil";
    }
    void librariesAndGlobals()
    {
        QFETCH(QString, expression);
        QFETCH(QString, type);
        QCOMPARE(m_host->EvalString("type(" + expression + ")"), type);
    }

    void exportedFunctionsAreTheProgramsOwn()
    {
        lua_State *state = m_host->State();
        lua_getglobal(state, "print");
        QVERIFY(lua_iscfunction(state, -1));
        lua_pop(state, 1);
        QCOMPARE(m_host->EvalString(QStringLiteral("pageitemscount()")), QStringLiteral("0"));
        QCOMPARE(m_host->EvalDefined(QStringLiteral("getpageitem(1)")), false);
    }

    void numbersAreSinglePrecisionAndBracketsNest()
    {
        QCOMPARE(m_host->EvalString(QStringLiteral("16777217")), QStringLiteral("16777216"));
        QCOMPARE(m_host->EvalString(QStringLiteral("tonumber('0.5') * 2")), QStringLiteral("1"));
        QCOMPARE(m_host->EvalString(QStringLiteral("[[a [[b]] c]]")), QStringLiteral("a [[b]] c"));
    }

    void codePageBorderRoundTrips()
    {
        const QString text = QString::fromUtf8("Съешь же ещё этих мягких французских булок: Ёё №");
        const QByteArray bytes = CodePage::ToLua(text);
        QCOMPARE(bytes.size(), text.size());
        QCOMPARE(quint8(bytes.at(0)), quint8(0xD1));
        QCOMPARE(CodePage::FromLua(bytes), text);
        m_host->RunLua("s = '" + text + "'");
        QCOMPARE(m_host->EvalString(QStringLiteral("string.len(s)")), QString::number(text.size()));
        QCOMPARE(m_host->EvalString(QStringLiteral("s")), text);
    }

    void quotedTextReadsBackAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("plain");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("words") << QString::fromUtf8("взять лампу") << true;
        QTest::newRow("balanced nesting") << "a [[b]] c" << true;
        QTest::newRow("closing bracket") << "a ]] b" << false;
        QTest::newRow("trailing bracket") << "x]" << false;
        QTest::newRow("unbalanced opening") << "a [[ b" << false;
        QTest::newRow("level-one closer inside") << "a ]=] ]] b" << false;
        QTest::newRow("ends like a level closer") << "a ]] b ]=" << false;
        QTest::newRow("leading line break") << "\nbody" << false;
        QTest::newRow("two leading line breaks") << "\n\nbody ]]" << false;
        QTest::newRow("inner line breaks") << "one\ntwo" << true;
        QTest::newRow("carriage return") << "one\r\ntwo \" x \\" << false;
        QTest::newRow("single quotes") << "it's" << true;
        QTest::newRow("nul and quotes") << QString::fromLatin1("a\0001\"b\"", 7) << true;
    }
    void quotedTextReadsBackAsTyped()
    {
        QFETCH(QString, text);
        QFETCH(bool, plain);
        const QString literal = LuaQuote::LongString(text);
        QCOMPARE(LuaQuote::PlainLongStringWorks(text), plain);
        if (plain)
            QCOMPARE(literal, "[[" + text + "]]");
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        QCOMPARE(LuaQuote::LongString(CodePage::ToLua(text)), CodePage::ToLua(literal));
        m_host->RunLua("s = " + literal);
        m_host->RunLua("q = " + LuaQuote::QuotedString(text));
        QVERIFY2(m_console.lines.isEmpty(), qPrintable(literal));
        QCOMPARE(m_host->EvalString(QStringLiteral("s")), text);
        QCOMPARE(m_host->EvalString(QStringLiteral("q")), text);
    }

    // A guard that says stop ends a runaway chunk with an error, and the host goes on.
    void runGuardStopsRunawayCode()
    {
        class StopAtOnce : public RunGuard
        {
        public:
            bool KeepRunning(qint64) override
            {
                ++asked;
                return false;
            }
            void RunEnded() override { ++ended; }
            int asked = 0;
            int ended = 0;
        };
        StopAtOnce guard;
        m_host->SetRunGuard(&guard);
        m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        const int top = Top();
        m_host->RunLua(QStringLiteral("while true do end"));
        QCOMPARE(guard.asked, 1);
        // The hook that stopped it must still be armed for the next runaway chunk.
        m_host->RunLua(QStringLiteral("while true do end"));
        QCOMPARE(guard.asked, 2);
        QVERIFY(guard.ended >= 2);
        QCOMPARE(Top(), top);
        QCOMPARE(m_console.lines.size(), 2);
        QVERIFY(m_console.lines[0].first.contains(QString::fromUtf8("прервано")));
        QCOMPARE(m_host->EvalString(QStringLiteral("1+2")), QStringLiteral("3"));
    }
};

QTEST_GUILESS_MAIN(TestScriptHost)
#include "tst_scripthost.moc"
