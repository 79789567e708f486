// The corpus of player lines (corpus/corpus.txt): every line not marked as a known gap is
// understood in its game, and nothing a player types reaches them as a Lua error.

#include "tests/engine/corpus/corpusfiles.h"
#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QTest>

using namespace EngineTesting;

class EngineCorpusTest : public QObject
{
    Q_OBJECT

private slots:
    void corpusIsUnderstood()
    {
        ScriptHost host;
        RecordingConsole console;
        host.SetConsole(&console);
        host.RunLua(QStringLiteral("dofile 'startup.lua'"));
        QVERIFY(CorpusFiles::Load(host));
        host.RunLua(QStringLiteral("corpus_result = run_corpus()"));
        QCOMPARE(console.Errors(), QString());
        QVERIFY(host.EvalString(QStringLiteral("corpus_result.total")).toInt() >= 300);
        QCOMPARE(host.EvalString(QStringLiteral("table.concat(corpus_result.failures, '\\n')")), QString());
        QCOMPARE(host.EvalString(QStringLiteral("corpus_result.errors")), QStringLiteral("0"));
    }
};

TARNWICK_TEST(EngineCorpusTest)

#include "tst_corpus.moc"
