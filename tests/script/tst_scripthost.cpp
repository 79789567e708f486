#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/luanames.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"

#include <QSet>
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

    // A chunk writes at most one line: print's values joined by tabs, error_print's first value,
    // or, once _ALERT is set, the chunk's own failure in red.
    void chunkWritesOneLine_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<bool>("alert");
        QTest::addColumn<QString>("line"); // the start of the line; unset for no line
        QTest::addColumn<int>("kind");
        const int normal = ConsoleKind::Normal, error = ConsoleKind::Error;
        QTest::newRow("mixed values") << "print(nil, 1.5, 'a', true, {})" << false
                                      << "nil\t1.5\ta\ttrue\ttable\t" << normal;
        QTest::newRow("no arguments") << "print()" << false << "" << normal;
        QTest::newRow("embedded line break") << "print('a\\nb')" << false << "a\nb\t" << normal;
        QTest::newRow("cyrillic") << QString::fromUtf8("print('взять лампу')") << false
                                  << QString::fromUtf8("взять лампу\t") << normal;
        QTest::newRow("error_print string") << "error_print('boom')" << false << "boom" << error;
        QTest::newRow("error_print nothing") << "error_print()" << false << "" << error;
        QTest::newRow("error_print, the first only") << "error_print('a', 'b')" << false << "a" << error;
        QTest::newRow("syntax, no alert") << "x = = 1" << false << QString() << error;
        QTest::newRow("runtime") << "local a = nil\na.b = 1" << true
                                 << "[string \"local a = nil...\"]:2:" << error;
        QTest::newRow("failing alert") << "_ALERT = function(m) error('alert broke') end; error('x')"
                                       << false << QString() << error;
    }
    void chunkWritesOneLine()
    {
        QFETCH(QString, chunk);
        QFETCH(bool, alert);
        QFETCH(QString, line);
        QFETCH(int, kind);
        if (alert)
            m_host->RunLua(QStringLiteral("_ALERT = error_print"));
        m_host->RunLua(chunk);
        QCOMPARE(Top(), 0);
        QCOMPARE(m_console.lines.size(), line.isNull() ? 0 : 1);
        if (line.isNull())
            return;
        QVERIFY2(alert ? m_console.lines[0].first.startsWith(line) : m_console.lines[0].first == line,
                 qPrintable(m_console.lines[0].first));
        QCOMPARE(m_console.lines[0].second, kind);
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
        QTest::newRow("true") << "1 == 1" << "" << true << "true";
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
        QCOMPARE(m_console.flushes, 3);
        m_host->EvalString(QStringLiteral("2"));
        QCOMPARE(m_console.flushes, 4);
    }

    void codePageBorderRoundTrips()
    {
        const QString text = QString::fromUtf8("Съешь же ещё этих мягких французских булок: Ёё №");
        const QByteArray bytes = CodePage::ToLua(text);
        QCOMPARE(quint8(bytes.at(0)), quint8(0xD1));
        m_host->RunLua("s = '" + text + "'");
        QCOMPARE(m_host->EvalString(QStringLiteral("string.len(s)")), QString::number(text.size()));
        QCOMPARE(m_host->EvalString(QStringLiteral("s")), text);
    }

    void quotedTextReadsBackAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("plain");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("balanced nesting") << "a [[b]] c" << true;
        QTest::newRow("closing bracket") << "a ]] b" << false;
        QTest::newRow("trailing bracket") << "x]" << false;
        QTest::newRow("unbalanced opening") << "a [[ b" << false;
        QTest::newRow("level-one closer inside") << "a ]=] ]] b" << false;
        QTest::newRow("ends like a level closer") << "a ]] b ]=" << false;
        QTest::newRow("leading line break") << "\nbody" << false;
        QTest::newRow("two leading line breaks") << "\n\nbody ]]" << false;
        QTest::newRow("carriage return") << "one\r\ntwo \" x \\" << false;
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
            bool KeepRunning(qint64) override { return !++asked; }
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

    // The free name for a new object or a copy: the first number not taken.
    void freeName_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("asked");
        QTest::newRow("nothing taken") << "newobject" << QStringList() << "newobject0" << 1;
        QTest::newRow("first two taken") << "newobject" << QStringList{"newobject0", "newobject1"}
                                         << "newobject2" << 3;
        QTest::newRow("a gap is used") << "box" << QStringList{"box0", "box2"} << "box1" << 2;
        QStringList all;
        for (int i = 0; i < 1000; ++i)
            all << QStringLiteral("key%1").arg(i);
        QTest::newRow("all a thousand taken") << "key" << all << "key1000" << 1000;
    }
    void freeName()
    {
        QFETCH(QString, prefix);
        QFETCH(QStringList, taken);
        QFETCH(QString, name);
        QFETCH(int, asked);
        const QSet<QString> set(taken.cbegin(), taken.cend());
        int count = 0;
        QCOMPARE(LuaNames::FreeName(prefix,
                                    [&](const QString &candidate) {
                                        ++count;
                                        return set.contains(candidate);
                                    }),
                 name);
        QCOMPARE(count, asked);
    }
};

QTEST_GUILESS_MAIN(TestScriptHost)
#include "tst_scripthost.moc"
