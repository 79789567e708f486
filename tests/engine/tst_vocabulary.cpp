// Vocabularies: how a word finds its key word, what the check reports, the starter vocabulary
// files as the program ships them, and copyerrors.lua.

#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"
#include "vocabulary/vocabularyblock.h"

#include <QTemporaryDir>
#include <QTest>

using namespace EngineTesting;

namespace {

// Rows of a vocabulary (lines joined by "|"), a word as typed, the key word it gets (empty: none).
struct LookupCase
{
    const char *name, *rows, *word, *key;
};

const LookupCase kLookup[] = {
    {"plain word is not a beginning", "look осмотреть", "осмотреться", ""},
    {"the key word stands for itself", "look осмотреть", "look", "look"},
    {"star at the end", "take возьм*", "возьмите", "take"},
    {"star at the start", "sing *петь", "запеть", "sing"},
    {"star at the start is an ending", "sing *петь", "петух", ""},
    {"stars at both ends", "shout *крич*", "покричите", "shout"},
    {"stars at both ends, nothing around", "shout *крич*", "крич", "shout"},
    {"a plain word before any star", "lamps ламп*|lamp лампа", "лампа", "lamp"},
    {"the longer fixed part", "short ла*|long лам*", "лампа", "long"},
    {"the longer fixed part, whatever the order", "long лам*|short ла*", "лампа", "long"},
    {"a longer ending over a shorter beginning", "begin л*|end *мпа", "лампа", "end"},
    {"a beginning over an equal ending", "end *мпа|begin лам*", "лампа", "begin"},
    {"an ending over an equal middle", "middle *крик*|end *крик", "покрик", "end"},
    {"the earlier row at a tie", "first лам*|second лам*", "лампа", "first"},
    {"upper case and ё in templates", "fir ЁЛК*", "елку", "fir"},
    {"ё typed as е", "again ещё", "еще", "again"},
};

// Rows of a vocabulary and what the check must report: one entry per error line (entries joined
// by "|"), each a list of texts the line must hold (joined by "&").
struct CheckCase
{
    const char *name, *vocabulary, *rows, *reports;
};

const CheckCase kCheck[] = {
    {"the same key word twice", "verbs", "take бери|take бери бери", ""},
    {"a key word as another row's word", "nouns", "взять брать|брать хватать", "«брать»&«взять»&«брать»"},
    {"ё and е are one word", "verbs", "more ещё|again еще", "&«more»&«again»"},
    {"two conflicts", "nouns", "a x y|b x|c y", "«x»&«a»&«b»|«y»&«a»&«c»"},
    {"star in the middle", "nouns", "лампа лам*па", "«лам*па»"},
    {"key word with a star", "nouns", "лам* лампа", "«лам*»"},
    {"verb that is no Lua name", "verbs", "взять брать", "«взять»"},
    {"verb that is a Lua keyword", "verbs", "end конец", "«end»"},
    {"verb that the objects use", "verbs", "remove убрать|moveto перенести", "«remove»|«moveto»"},
    {"other vocabularies take any key word", "prepositions", "в во|на", ""},
};

QString RowsText(const char *rows)
{
    return U(rows).replace(QLatin1Char('|'), QLatin1Char('\n'));
}

} // namespace

class EngineVocabularyTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;

    QString Errors(const QString &text) { return RunForErrors(*m_host, m_console, text); }

private slots:
    void init()
    {
        // The shipped vocabularies check themselves as they load: a conflict among their words fails here.
        QCOMPARE(StartEngine(m_host, m_console), QString());
    }
    void cleanup() { m_host.reset(); }

    void lookup_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("key");
        for (const LookupCase &c : kLookup)
            QTest::newRow(c.name) << RowsText(c.rows) << U(c.word) << U(c.key);
    }
    void lookup()
    {
        QFETCH(QString, rows);
        QFETCH(QString, word);
        QFETCH(QString, key);
        m_host->RunLua(QStringLiteral("test_vocabulary = vocabulary('test', ") + LuaQuote::QuotedString(rows)
                       + QStringLiteral(")"));
        const QString expression = QStringLiteral("test_vocabulary:lookup(lower(") + LuaQuote::QuotedString(word)
                                   + QStringLiteral(")) or ''");
        QCOMPARE(m_host->EvalString(expression), key);
        // Asked again, the remembered answer is the same.
        QCOMPARE(m_host->EvalString(expression), key);
    }

    void check_data()
    {
        QTest::addColumn<QString>("vocabulary");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("reports");
        for (const CheckCase &c : kCheck) {
            QTest::newRow(c.name) << U(c.vocabulary) << RowsText(c.rows)
                                  << U(c.reports).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        }
    }
    void check()
    {
        QFETCH(QString, vocabulary);
        QFETCH(QString, rows);
        QFETCH(QStringList, reports);
        const QString errors = Errors(QStringLiteral("test_count = vocabulary('%1', %2):check()")
                                          .arg(vocabulary, LuaQuote::QuotedString(rows)));
        const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == reports.size(), qPrintable(errors));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            for (const QString &part : reports[i].split(QLatin1Char('&'), Qt::SkipEmptyParts))
                QVERIFY2(lines[i].contains(part), qPrintable(lines[i] + QStringLiteral(" lacks ") + part));
            QVERIFY2(lines[i].contains(vocabulary), qPrintable(lines[i]));
        }
        QCOMPARE(m_host->EvalString(QStringLiteral("test_count")), QString::number(reports.size()));
    }

    // Each shipped file keeps its words in a block the vocabulary editor can rewrite, and the file with
    // a row added puts it in force when it runs.
    void shippedFilesTakeANewRow()
    {
        QTemporaryDir dir;
        for (const QString name : {"verbs", "nouns", "prepositions"}) {
            const VocabularyBlock block = VocabularyBlock::Read(ReadBytes(name + QStringLiteral(".lua")));
            QVERIFY2(block.Found(), qPrintable(name));
            const QString path = dir.filePath(name + QStringLiteral(".lua"));
            QVERIFY(WriteBytes(path, block.Written(QList(block.Rows()) << QByteArrayList{"zz", "zzz*"})));
            QCOMPARE(Errors(QStringLiteral("dofile '%1'").arg(path)), QString());
            QCOMPARE(m_host->EvalString(name + QStringLiteral(":lookup('zzzz')")), QStringLiteral("zz"));
        }
    }

    // The rows a project carries (postsave.lua writes them with persist.lua) put in force on
    // another installation: the project's words win, the installation's other words stay.
    void projectVocabulary()
    {
        const QString saved = U("dofile 'persist.lua'; local rows = {} "
                                "for _, row in ipairs(verbs.rows) do "
                                "  local copy = {} for _, w in ipairs(row) do if w ~= 'хватай' then "
                                "table.insert(copy, w) end end "
                                "  if copy[1] == 'drop' then table.insert(copy, 'хватай') end "
                                "  table.insert(rows, copy) end "
                                "table.insert(rows, { 'dance', 'танцевать' }); vocabulary('verbs', rows) "
                                "test_lines = table.concat(persist.vocabulary_lines(), '\\n')");
        QCOMPARE(Errors(saved), QString());
        QCOMPARE(Errors(U("dofile 'startup.lua'; local rows = verbs.rows "
                          "table.insert(rows, { 'sing', 'спеть', 'танцевать' }) "
                          "vocabulary('verbs', rows); assert(loadstring(test_lines))(); verbs:check()")),
                 QString());
        // A row only the project has, a word the project moved, one it kept, a row only the
        // installation has.
        const char *const found[][2] = {{"танцевать", "dance"}, {"хватай", "drop"}, {"возьми", "take"},
                                        {"спеть", "sing"}};
        for (const auto &w : found)
            QCOMPARE(m_host->EvalString(QStringLiteral("verbs:lookup('%1') or ''").arg(U(w[0]))), U(w[1]));
    }

    // copyerrors.lua leaves Lua text that gives every message its text back, however awkward.
    void copyErrorsRestoresTheMessages()
    {
        const QStringList messages{U("С \"кавычками\""), U("С ]] и [["), U("Две\r\nстроки"),
                                   U("Обратная \\ черта"), QString(), U("'одинарные'"),
                                   U("Табуляция\tздесь"), U("]=]"), U("Ёлка")};
        for (qsizetype i = 0; i < messages.size(); ++i)
            m_host->RunLua(QStringLiteral("PARSE_ERROR[%1] = %2").arg(i + 1).arg(LuaQuote::QuotedString(messages[i])));
        QStringList before;
        for (int n = 1; n <= 9; ++n)
            before.append(m_host->EvalString(QStringLiteral("PARSE_ERROR[%1]").arg(n)));
        QCOMPARE(Errors(QStringLiteral("temp = nil; dofile 'copyerrors.lua'")), QString());
        QCOMPARE(Errors(QStringLiteral("test_text = temp; PARSE_ERROR = nil; assert(loadstring(test_text))()")),
                 QString());
        for (int n = 1; n <= 9; ++n)
            QCOMPARE(m_host->EvalString(QStringLiteral("PARSE_ERROR[%1]").arg(n)), before[n - 1]);
        // Run again over changed messages, the text puts them back as well.
        m_host->RunLua(QStringLiteral("PARSE_ERROR[1] = 'changed'; assert(loadstring(test_text))()"));
        QCOMPARE(m_host->EvalString(QStringLiteral("PARSE_ERROR[1]")), before[0]);
    }
};

TARNWICK_TEST(EngineVocabularyTest)

#include "tst_vocabulary.moc"
