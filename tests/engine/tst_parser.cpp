// The parser run in a real script host: sentences typed as the console hands them over, answered
// by methods that print what they were given.

#include "tests/engine/corpus/corpusfiles.h"
#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QTest>

using namespace EngineTesting;

namespace {

// Messages that name themselves, a small vocabulary of its own, and a world whose objects answer
// every verb by printing: self:verb object object_preposition preposition second ("-" for none).
// The standard actions are left out, so that a verb nothing answers meets message 6.
const char kWorld[] = R"lua(
PARSE_ERROR = { 'E1', 'E2', 'E3', 'E4', 'E5', 'E6', 'E7', 'E8', 'E9' }
ACTIONS = {}
vocabulary('verbs', 'take взять возьм* бери\nlook осмотреть смотр*\nput положить\ngo идти иди\n' ..
                    'inventory инвентарь\nunlock отпереть\nlight зажечь\nlisten слушать радио*\nagain опять')
vocabulary('nouns', 'it его её их\nлампа ламп*\nмонета монет*\nключ ключ*\nмедный медн*\n' ..
                    'ящик ящик*\nзал зал*')
vocabulary('prepositions', 'в во\nна\nс со\nо об')
world:create('hall', 'Зал'); hall:create('lamp', 'Лампа'); hall:create('box', 'Ящик')
box:create('coin', 'Монета'); hall:create('key', 'Медный ключ'); hall:create('key2', 'Ключ')
world:create('yard', 'Двор'); yard:create('rake', 'Грабли')
player:moveto(hall)
local function uid_of (o) if o then return o.uid end return '-' end
function record (self, event)
  print(self.uid .. ':' .. event.verb .. ' ' .. uid_of(event.object) .. ' ' ..
        (event.object_preposition or '-') .. ' ' .. (event.preposition or '-') .. ' ' ..
        uid_of(event.second))
end
for _, o in ipairs({ hall, lamp, box, coin, key, key2, rake, player }) do
  for _, verb in ipairs({ 'take', 'look', 'put', 'go', 'unlock' }) do o[verb] = record end
end
player.inventory = record
)lua";

// Lines joined by "|"; an input line that starts with "lua:" runs as Lua instead of being parsed.
struct Case
{
    const char *name, *input, *output;
};

const Case kSentences[] = {
    {"verb alone goes to the location", "осмотреть", "hall:look - - - -"},
    {"verb alone falls to the player", "инвентарь", "player:inventory - - - -"},
    {"case and punctuation", "ВЗЯТЬ, «Лампу»!!!", "lamp:take lamp - - -"},
    {"preposition before the object", "идти в ящик", "box:go box в - -"},
    {"several second objects", "положить монету в ящик и лампу",
     "coin:put coin - в box|coin:put coin - в lamp"},
    {"an object named twice acts once", "взять лампу и лампу", "lamp:take lamp - - -"},
    {"pronoun for several", "взять лампу и монету|осмотреть их",
     "lamp:take lamp - - -|coin:take coin - - -|lamp:look lamp - - -|coin:look coin - - -"},
    {"pronoun stands for the direct object", "положить монету в ящик|взять его",
     "coin:put coin - в box|coin:take coin - - -"},
    {"a failed sentence leaves the pronoun alone", "взять лампу|взять грабли|осмотреть её",
     "lamp:take lamp - - -|E5|lamp:look lamp - - -"},
    {"again repeats the last sentence understood", "взять лампу|танцевать|опять",
     "lamp:take lamp - - -|E2|lamp:take lamp - - -"},
    {"again looks for the objects anew", "взять монету|lua:coin:moveto(yard)|опять", "coin:take coin - - -|E5"},
    {"the whole name wins over a part", "взять ключ", "key2:take key2 - - -"},
    {"a referenced object is here, what it holds is not",
     "lua:yard:add(box); player:moveto(yard)|осмотреть ящик|взять монету", "box:look box - - -|E5"},
    {"a name word no vocabulary knows", "lua:player:moveto(yard)|взять грабли", "rake:take rake - - -"},
    {"a verb's word that names an object here",
     "lua:hall:create('radio', 'Радио'); radio.take = record|взять радио|радио", "radio:take radio - - -|E6"},
    // The parser's messages, by number.
    {"1: empty line", "", "E1"},
    {"1: no verb", "лампу", "E1"},
    {"2: unknown verb", "танцевать", "E2"},
    {"2: unknown name", "взять фыва", "E2"},
    {"3: nothing named yet", "осмотреть её", "E3"},
    {"3: the object is gone", "осмотреть лампу|lua:lamp:remove()|осмотреть её", "lamp:look lamp - - -|E3"},
    {"4: after the verb", "взять и лампу", "E4"},
    {"4: after a preposition", "положить монету в и ящик", "E4"},
    {"5: in a closed container", "lua:box.data.closed = true|взять монету", "E5"},
    {"5: pronoun for what is elsewhere", "осмотреть лампу|lua:player:moveto(yard)|осмотреть её",
     "lamp:look lamp - - -|E5"},
    {"6: no method", "зажечь лампу", "E6"},
    {"6: verb alone nobody answers", "слушать", "E6"},
    {"6: only for the object without it", "зажечь лампу и ящик|lua:box.light = record|зажечь лампу и ящик",
     "E6|E6|E6|box:light box - - -"},
    {"8: nothing to repeat", "опять", "E8"},
    {"8: only failures before", "танцевать|опять", "E2|E8"},
    {"9: preposition at the end", "положить монету в", "E9"},
    {"9: a verb where a name belongs", "взять лампу взять", "E9"},
    {"9: again with words", "взять лампу|опять лампу", "lamp:take lamp - - -|E9"},
    // Catchers.
    {"the world first, then the location, then the things",
     "lua:lamp:add(function () print('lamp') end); hall:add(function () print('hall') end); "
     "world:add(function () print('world') end)|взять лампу",
     "world|hall|lamp|lamp:take lamp - - -"},
    {"catchers out of scope see nothing", "lua:yard:add(function () print('yard') end)|взять лампу",
     "lamp:take lamp - - -"},
    {"a catcher is told its holder", "lua:lamp:add(function (e, holder) print(holder.uid) end)|взять монету",
     "lamp|coin:take coin - - -"},
    {"a stop holds back the later catchers",
     "lua:world:add(function () print('world') return true end); hall:add(function () print('hall') end)"
     "|взять лампу",
     "world"},
    {"each object is a separate event",
     "lua:hall:add(function (e) if e.object == lamp then print('stop') return true end end)|взять лампу и монету",
     "stop|coin:take coin - - -"},
    {"a catcher sees what no method answers", "lua:hall:add(function (e) print('saw ' .. e.verb) end)|зажечь лампу",
     "saw light|E6"},
    {"a catcher sees a verb alone", "lua:hall:add(function (e) print(tostring(e.object)) end)|осмотреть",
     "nil|hall:look - - - -"},
    {"a failing catcher is reported and the action goes on",
     "lua:hall:add(function () error('catcher broke', 0) end)|взять лампу", "!Ошибка (отлавливатель hall, действие take): catcher broke|lamp:take lamp - - -"},
    {"a failing method is reported and the next object goes on",
     "lua:lamp.take = function () error('lamp broke', 0) end|взять лампу и монету", "!Ошибка (lamp:take): lamp broke|coin:take coin - - -"},
    {"ending the game stops the other objects",
     "lua:lamp.take = function () print('the end') end_game() end|взять лампу и монету", "the end"},
    {"perform goes through the catchers",
     "lua:hall:add(function (e) print('saw ' .. e.verb) end)|lua:perform('look', lamp)",
     "saw look|lamp:look lamp - - -"},
    // What the parser makes of what players type beyond the first engine (roles by case, questions
    // and orders are played by the corpus): data.forms, and lines made to break it.
    {"a name's own preposition does not end its phrase",
     "lua:hall:create('jug', 'Кувшин с водой'); jug.take = record|взять кувшин с ящиком|взять кувшин с водой",
     "jug:take jug - с box|jug:take jug - - -"},
    {"data.forms: a name declined, a word as it is",
     "lua:player:moveto(yard); rake.data.forms = 'инструмент, =вилы'|взять инструмента|взять вилы",
     "rake:take rake - - -|rake:take rake - - -"},
    {"data.forms: a form taken away", "lua:player:moveto(yard); rake.data.forms = '-грабли'|взять грабли", "E2"},
    {"data.forms: a form with its case", "lua:rake:moveto(hall); rake.data.forms = 'тв:граблищем'|отпереть ящик граблищем",
     "box:unlock box - - rake"},
    {"a chain of actions too deep is cut off once, and play goes on",
     "lua:lamp.take = function () perform('take', lamp) end|взять лампу|осмотреть лампу",
     "!Действия вызывают друг друга слишком глубоко (больше 50 уровней): lamp:take. Цепочка прервана, игра "
     "продолжается.|lamp:look lamp - - -"},
    {"a catcher that parses again", "lua:hall:add(function (e) if e.verb == 'look' then parse('осмотреть') end end)|"
                                    "осмотреть|взять монету",
     "!Действия вызывают друг друга слишком глубоко (больше 50 уровней): player:look. Цепочка прервана, игра "
     "продолжается.|coin:take coin - - -"},
    {"a NUL byte separates words", "lua:parse('взять' .. string.char(0) .. 'лампу')", "lamp:take lamp - - -"},
    {"a line of 100 KB", "lua:parse('взять ' .. string.rep('лампу монету ', 8000))", "E9"},
    {"too many commands on one line", "lua:GRAMMAR.most_commands = 2|осмотреть. осмотреть, затем осмотреть",
     "hall:look - - - -|hall:look - - - -|Остальные команды этой строки пропущены: их слишком много."},
};

} // namespace

class EngineParserTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;

private slots:
    void init()
    {
        QCOMPARE(StartEngine(m_host, m_console), QString());
        QCOMPARE(RunForErrors(*m_host, m_console, U(kWorld)), QString());
    }
    void cleanup() { m_host.reset(); }

    void sentences_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        for (const Case &c : kSentences)
            QTest::newRow(c.name) << U(c.input) << U(c.output);
    }
    void sentences()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        const qsizetype from = m_console.lines.size();
        for (const QString &line : input.split(QLatin1Char('|'))) {
            if (line.startsWith(QLatin1String("lua:")))
                m_host->RunLua(line.mid(4));
            else
                Parse(*m_host, line);
        }
        QCOMPARE(Answers(m_console, int(from)).join(QLatin1Char('|')), output);
    }

    // The event's own fields, as the world's catcher sees the first event of a sentence.
    void eventFields()
    {
        m_host->RunLua(U("vocabulary('verbs', 'put положить полож*'); "
                         "world:add(function (event) test_event = test_event or event end)"));
        Parse(*m_host, U("Положите монету и лампу во «Ящик»!"));
        const QString fields = U("tostring(test_event.actor == player) .. '|' .. "
                                 "table.getn(test_event.objects) .. test_event.objects[2].uid .. '|' .. "
                                 "table.getn(test_event.seconds) .. test_event.seconds[1].uid .. '|' .. "
                                 "table.concat(test_event.words, ',') .. '|' .. test_event.text .. '|' .. "
                                 "tostring(test_event.all)");
        QCOMPARE(m_host->EvalString(fields),
                 U("true|2lamp|1box|положите,монету,и,лампу,во,ящик|Положите монету и лампу во «Ящик»!|nil"));
    }

    // What the engine gives as the text of the words: letters in lower case, punctuation gone.
    void words_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("words");
        QTest::newRow("Russian capitals") << U("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЁ ёж")
                                          << U("абвгдежзийклмнопрстуфхцчшщъыьэюяё,ёж");
        QTest::newRow("Latin and digits") << U("Take LAMP 2") << U("take,lamp,2");
        QTest::newRow("other letters of the code page") << U("ЄЇІЎЂ") << U("єїіўђ");
        QTest::newRow("punctuation and blanks") << U("«Взять»: лампу,\tключ; (и) —  всё?!\r\n")
                                                << U("взять,лампу,ключ,и,всё");
        QTest::newRow("hyphen inside a word") << U("северо-запад -вниз- --") << U("северо-запад,вниз");
        QTest::newRow("nothing") << U(" ... ") << QString();
    }
    void words()
    {
        QFETCH(QString, text);
        QFETCH(QString, words);
        m_host->RunLua(QStringLiteral("test_text = ") + LuaQuote::QuotedString(text));
        QCOMPARE(m_host->EvalString(QStringLiteral("table.concat(split_words(test_text), ',')")), words);
    }

    // show_forms prints the forms the parser accepts, name by name and case by case.
    void showForms()
    {
        m_host->RunLua(QStringLiteral("show_forms('test_forms')"));
        m_host->RunLua(U("world:create('test_forms', 'Медный ключ'); test_forms.data.forms = '=дед'"));
        const qsizetype from = m_console.lines.size();
        m_host->RunLua(QStringLiteral("show_forms('test_forms')"));
        const QStringList printed = Answers(m_console, int(from));
        for (const char *line : {"Формы имени «Медный ключ» (test_forms):", "  тв. медным ключем/ключом",
                                 "  мн. им. медные ключи", "  ещё (data.forms): дед"})
            QVERIFY2(printed.contains(U(line)), qPrintable(printed.join(QLatin1Char('\n'))));
        // Before the object was made, its uid named nothing.
        QVERIFY(Answers(m_console, 0).contains(U("show_forms: укажите объект или его uid")));
    }

    void startupResetsTheParser()
    {
        Parse(*m_host, U("взять лампу"));
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
        m_host->RunLua(U(kWorld));
        const qsizetype from = m_console.lines.size();
        Parse(*m_host, U("опять"));
        Parse(*m_host, U("осмотреть его"));
        QCOMPARE(Answers(m_console, int(from)).join(QLatin1Char('|')), U("E8|E3"));
    }

    // The corpus of player lines (corpus/corpus.txt): every line not marked as a known gap is
    // understood in its game, and nothing a player types reaches them as a Lua error.
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

TARNWICK_TEST(EngineParserTest)

#include "tst_parser.moc"
