#include "properties/propertystatements.h"
#include "script/scripthost.h"
#include "tests/support/recordingconsole.h"
#include "tests/testmain.h"

#include <QTest>

namespace PS = PropertyStatements;

namespace {

QStringList ErrorLines(const RecordingConsole &console)
{
    QStringList errors;
    for (const auto &line : console.lines) {
        if (line.second == ConsoleKind::Error)
            errors.append(line.first);
    }
    return errors;
}

} // namespace

class TestPropertyStatements : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trimmed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks") << "  look  " << "look";
        QTest::newRow("tabs and breaks") << "\t\r\nlook\n\t" << "look";
        QTest::newRow("inner blanks kept") << " big hall " << "big hall";
        QTest::newRow("control characters") << QStringLiteral("\x01look\x1f") << "look";
        QTest::newRow("no-break space is not a blank") << QStringLiteral("\u00a0look\u00a0")
                                                       << QStringLiteral("\u00a0look\u00a0");
        QTest::newRow("only blanks") << " \t\n " << "";
        QTest::newRow("empty") << "" << "";
    }

    void trimmed()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(PS::Trimmed(text), expected);
    }

    // The statements are compared literally, then run in a real world: the source must read back
    // from ide_data exactly as typed and the compiled form must work.
    void writeBack_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QList<bool>>("echoed");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("probeValue");

        QTest::newRow("method") << "look" << "probe = 'Темно'"
                                << QStringList{"hall.ide_data.look = [[probe = 'Темно']]",
                                               "function hall:look(event)\nprobe = 'Темно'\nend"}
                                << QList<bool>{false, true} << "hall:look(); return probe" << "Темно";
        QTest::newRow("empty body") << "look" << ""
                                    << QStringList{"hall.ide_data.look = [[]]",
                                                   "function hall:look(event)\n\nend"}
                                    << QList<bool>{false, true} << "return type(hall.look)"
                                    << "function";
        QTest::newRow("catchers")
            << "Отлавливатель" << "probe = event"
            << QStringList{"hall.ide_data.hooks = [[probe = event]]",
                           "hall.hooks = nil; hall:add (function (event)\nprobe = event\nend)"}
            << QList<bool>{false, true} << "hall.hooks[1]('шаг'); return probe .. table.getn(hall.hooks)"
            << "шаг1";
        QTest::newRow("constructor")
            << "Конструктор" << "self.data.n = (self.data.n or 0) + 1"
            << QStringList{"hall.ide_data.constructor = [[self.data.n = (self.data.n or 0) + 1]]",
                           "function hall:constructor ()\nself.data.n = (self.data.n or 0) + 1\nend",
                           "hall:constructor ()"}
            << QList<bool>{false, true, true} << "return hall.data.n" << "1";
        QTest::newRow("closing bracket in the body")
            << "look" << "probe = ']]'"
            << QStringList{"hall.ide_data.look = [=[probe = ']]']=]",
                           "function hall:look(event)\nprobe = ']]'\nend"}
            << QList<bool>{false, true} << "hall:look(); return probe" << "]]";
        QTest::newRow("body starting with a line break")
            << "look" << "\nprobe = 2"
            << QStringList{"hall.ide_data.look = [=[\n\nprobe = 2]=]",
                           "function hall:look(event)\n\nprobe = 2\nend"}
            << QList<bool>{false, true} << "hall:look(); return probe" << "2";
        QTest::newRow("paired brackets keep the plain form")
            << "look" << "probe = [[a [[b]] c]]"
            << QStringList{"hall.ide_data.look = [[probe = [[a [[b]] c]]]]",
                           "function hall:look(event)\nprobe = [[a [[b]] c]]\nend"}
            << QList<bool>{false, true} << "hall:look(); return probe" << "a [[b]] c";
    }

    void writeBack()
    {
        QFETCH(QString, caption);
        QFETCH(QString, code);
        QFETCH(QStringList, statements);
        QFETCH(QList<bool>, echoed);
        QFETCH(QString, probe);
        QFETCH(QString, probeValue);

        const QList<PS::Statement> built = PS::WriteBack(QStringLiteral("hall"), caption, code);
        QStringList texts;
        QList<bool> echoes;
        for (const PS::Statement &statement : built) {
            texts.append(statement.text);
            echoes.append(statement.echoed);
        }
        QCOMPARE(texts, statements);
        QCOMPARE(echoes, echoed);

        ScriptHost host;
        RecordingConsole console;
        host.SetConsole(&console);
        host.RunLua(QStringLiteral("dofile 'startup.lua'"));
        host.RunLua(QStringLiteral("world:create('hall', 'Зал')"));
        for (const QString &text : texts)
            host.RunLua(text);
        const QString key = PS::KeyOfCaption(caption);
        QCOMPARE(host.EvalString(QStringLiteral("hall.ide_data.") + key), code);
        QCOMPARE(host.EvalString(QStringLiteral("(function () ") + probe + QStringLiteral(" end)()")),
                 probeValue);
        QCOMPARE(ErrorLines(console), QStringList());
        host.SetConsole(nullptr);
    }

    void nameStatement_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("statement");
        QTest::newRow("plain") << "Зал" << "hall.name = 'Зал'";
        QTest::newRow("double quotes stay plain") << "зал \"Б\"" << "hall.name = 'зал \"Б\"'";
        QTest::newRow("single quote") << "Зал 'Б'" << "hall.name = \"Зал 'Б'\"";
        QTest::newRow("backslash") << "C:\\Игры" << "hall.name = \"C:\\\\Игры\"";
        QTest::newRow("both quotes") << "it's \"big\"" << "hall.name = \"it's \\\"big\\\"\"";
        QTest::newRow("line break") << "два\nслова" << "hall.name = \"два\\nслова\"";
        QTest::newRow("empty") << "" << "hall.name = ''";
    }

    void nameStatement()
    {
        QFETCH(QString, name);
        QFETCH(QString, statement);
        QCOMPARE(PS::NameStatement(QStringLiteral("hall"), name), statement);

        ScriptHost host;
        RecordingConsole console;
        host.SetConsole(&console);
        host.RunLua(QStringLiteral("_ALERT = error_print; hall = {}"));
        host.RunLua(statement);
        QCOMPARE(host.EvalString(QStringLiteral("hall.name")), name);
        QCOMPARE(ErrorLines(console), QStringList());
        host.SetConsole(nullptr);
    }
};

TARNWICK_TEST(TestPropertyStatements)
#include "tst_propertystatements.moc"
