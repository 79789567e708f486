// The parser run in a real script host: sentences typed as the console hands them over, answered
// by methods that print what they were given.

#include "tests/engine/corpus/corpusfiles.h"
#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QTest>

#include <memory>

using namespace EngineTesting;

namespace {

// Messages that name themselves, a small vocabulary of its own, and a world whose objects answer
// every verb by printing: self:verb object object_preposition preposition second ("-" for none).
// The standard actions are left out, so that a verb nothing answers meets message 6.
const char kWorld[] = R"lua(
PARSE_ERROR = { 'E1', 'E2', 'E3', 'E4', 'E5', 'E6', 'E7', 'E8', 'E9' }
ACTIONS = {}
vocabulary('verbs', 'take взять возьм* бери\nlook осмотреть смотр*\nput положить\ngo идти иди\n' ..
                    'inventory инвентарь\nunlock отпереть\nlight зажечь\nsing *петь\nshout *крич*\n' ..
                    'listen слушать радио*\nagain опять повтори\ngive дать дай\nask спросить спроси')
vocabulary('nouns', 'it его её их\nлампа ламп*\nмонета монет*\nключ ключ*\nмедный медн*\n' ..
                    'ящик ящик*\nзал зал*\nёлка ЁЛК*')
vocabulary('prepositions', 'в во\nна\nс со\nо об')
world:create('hall', 'Зал'); hall:create('lamp', 'Лампа'); hall:create('box', 'Ящик')
box:create('coin', 'Монета'); hall:create('key', 'Медный ключ'); hall:create('key2', 'Ключ')
hall:create('fir', 'Ёлка'); world:create('yard', 'Двор'); yard:create('rake', 'Грабли')
player:moveto(hall)
local function uid_of (o) if o then return o.uid end return '-' end
function record (self, event)
  print(self.uid .. ':' .. event.verb .. ' ' .. uid_of(event.object) .. ' ' ..
        (event.object_preposition or '-') .. ' ' .. (event.preposition or '-') .. ' ' ..
        uid_of(event.second))
end
for _, o in ipairs({ hall, lamp, box, coin, key, key2, fir, rake, player }) do
  for _, verb in ipairs({ 'take', 'look', 'put', 'go', 'unlock', 'give' }) do o[verb] = record end
end
player.inventory = record
hall.sing = record
hall.shout = record
)lua";

// Lines joined by "|"; an input line that starts with "lua:" runs as Lua instead of being parsed.
struct Case
{
    const char *name, *input, *output;
};

const Case kSentences[] = {
    {"verb alone goes to the location", "осмотреть", "hall:look - - - -"},
    {"verb alone falls to the player", "инвентарь", "player:inventory - - - -"},
    {"object", "взять лампу", "lamp:take lamp - - -"},
    {"what the player holds", "lua:coin:moveto(player)|взять монету", "coin:take coin - - -"},
    {"case and punctuation", "ВЗЯТЬ, «Лампу»!!!", "lamp:take lamp - - -"},
    {"ё and е, in either case", "взять ЕЛКУ|взять ёлку|ВЗЯТЬ ЁЛКУ",
     "fir:take fir - - -|fir:take fir - - -|fir:take fir - - -"},
    {"star at the start", "запеть", "hall:sing - - - -"},
    {"star at both ends", "покричать|кричи", "hall:shout - - - -|hall:shout - - - -"},
    {"second object after a preposition", "положить монету в ящик", "coin:put coin - в box"},
    {"preposition before the object", "идти в ящик", "box:go box в - -"},
    {"second object without a preposition", "отпереть ящик медным ключом", "box:unlock box - - key"},
    {"several objects", "взять лампу и монету", "lamp:take lamp - - -|coin:take coin - - -"},
    {"several second objects", "положить монету в ящик и лампу",
     "coin:put coin - в box|coin:put coin - в lamp"},
    {"an object named twice acts once", "взять лампу и лампу", "lamp:take lamp - - -"},
    {"pronoun", "взять лампу|осмотреть её", "lamp:take lamp - - -|lamp:look lamp - - -"},
    {"pronoun for several", "взять лампу и монету|осмотреть их",
     "lamp:take lamp - - -|coin:take coin - - -|lamp:look lamp - - -|coin:look coin - - -"},
    {"pronoun stands for the direct object", "положить монету в ящик|взять его",
     "coin:put coin - в box|coin:take coin - - -"},
    {"a failed sentence leaves the pronoun alone", "взять лампу|взять грабли|осмотреть её",
     "lamp:take lamp - - -|E5|lamp:look lamp - - -"},
    {"again", "взять лампу|опять|повтори", "lamp:take lamp - - -|lamp:take lamp - - -|lamp:take lamp - - -"},
    {"again repeats the last sentence understood", "взять лампу|танцевать|опять",
     "lamp:take lamp - - -|E2|lamp:take lamp - - -"},
    {"again looks for the objects anew", "взять монету|lua:coin:moveto(yard)|опять", "coin:take coin - - -|E5"},
    {"the whole name wins over a part", "взять ключ", "key2:take key2 - - -"},
    {"a referenced object is here, what it holds is not",
     "lua:yard:add(box); player:moveto(yard)|осмотреть ящик|взять монету", "box:look box - - -|E5"},
    {"a name word no vocabulary knows", "lua:player:moveto(yard)|взять грабли", "rake:take rake - - -"},
    {"a verb's word that names an object here",
     "lua:hall:create('radio', 'Радио'); radio.take = record|взять радио|радио", "radio:take radio - - -|E6"},
};

const Case kFailures[] = {
    {"1: empty line", "", "E1"},
    {"1: no verb", "лампу", "E1"},
    {"1: conjunction first", "и лампу", "E1"},
    {"2: unknown verb", "танцевать", "E2"},
    {"2: unknown name", "взять фыва", "E2"},
    {"2: before anything else", "фыва лампу", "E2"},
    {"3: nothing named yet", "осмотреть её", "E3"},
    {"3: the object is gone", "осмотреть лампу|lua:lamp:remove()|осмотреть её", "lamp:look lamp - - -|E3"},
    {"4: after the verb", "взять и лампу", "E4"},
    {"4: at the end", "взять лампу и", "E4"},
    {"4: twice", "взять лампу и и монету", "E4"},
    {"4: after a preposition", "положить монету в и ящик", "E4"},
    {"5: elsewhere", "взять грабли", "E5"},
    {"5: in a closed container", "lua:box.data.closed = true|взять монету", "E5"},
    {"5: pronoun for what is elsewhere", "осмотреть лампу|lua:player:moveto(yard)|осмотреть её",
     "lamp:look lamp - - -|E5"},
    {"6: no method", "зажечь лампу", "E6"},
    {"6: verb alone nobody answers", "слушать", "E6"},
    {"6: only for the object without it", "зажечь лампу и ящик|lua:box.light = record|зажечь лампу и ящик",
     "E6|E6|E6|box:light box - - -"},
    {"7: several of that name", "lua:hall:create('key3', 'Медный ключ')|взять медный ключ", "E7"},
    {"8: nothing to repeat", "опять", "E8"},
    {"8: only failures before", "танцевать|опять", "E2|E8"},
    {"9: preposition at the end", "положить монету в", "E9"},
    {"9: preposition only", "положить в", "E9"},
    {"9: a verb where a name belongs", "взять лампу взять", "E9"},
    {"9: again with words", "взять лампу|опять лампу", "lamp:take lamp - - -|E9"},
};

const Case kCatchers[] = {
    {"a catcher stops the action",
     "lua:hall:add(function (e) if e.verb == 'take' then print('stop ' .. e.object.uid) return true end end)"
     "|взять лампу",
     "stop lamp"},
    {"a catcher that returns nothing lets it pass", "lua:hall:add(function (e) print('saw ' .. e.verb) end)|взять лампу",
     "saw take|lamp:take lamp - - -"},
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
    {"the repeated sentence is caught again", "lua:hall:add(function () print('saw') end)|взять лампу|опять",
     "saw|lamp:take lamp - - -|saw|lamp:take lamp - - -"},
    {"perform goes through the catchers",
     "lua:hall:add(function (e) print('saw ' .. e.verb) end)|lua:perform('look', lamp)",
     "saw look|lamp:look lamp - - -"},
};

// What the parser makes of what players type beyond the first engine: roles by case, questions,
// orders, data.forms; and lines made to break it (chains of actions, NUL bytes, long lines).
const Case kRussian[] = {
    {"the dative is the recipient wherever it stands", "дай ящику монету|дай монету ящику",
     "coin:give coin - - box|coin:give coin - - box"},
    {"a name's own preposition does not end its phrase",
     "lua:hall:create('jug', 'Кувшин с водой'); jug.take = record|взять кувшин с ящиком|взять кувшин с водой",
     "jug:take jug - с box|jug:take jug - - -"},
    {"two names of one role are no object and a second", "взять медный лампу|взять монетку лампу", "E5|E5"},
    {"a question for a missing object takes the next line", "lua:lamp.light = record|зажечь|лампу",
     "Что зажечь?|lamp:light lamp - - -"},
    {"no question where the location answers the verb alone", "взять", "hall:take - - - -"},
    {"an answer to 'Уточните' chooses", "lua:hall:create('key3', 'Медный ключ'); key3.take = record|"
                                       "взять медный ключ|второй", "E7|key3:take key3 - - -"},
    {"a new command instead of an answer", "зажечь|осмотреть лампу", "Что зажечь?|lamp:look lamp - - -"},
    {"an order goes to the addressee's order method",
     "lua:box.order = function (self, e) print('order ' .. e.verb .. ' ' .. e.object.uid) end|ящик, возьми лампу",
     "order take lamp"},
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

// A sentence, and the values of expressions about the first event it gives.
struct EventCase
{
    const char *name, *sentence, *expression, *value;
};

const char kEventSentence[] = "Положите монету и лампу во «Ящик»!";

const EventCase kEvents[] = {
    {"actor", kEventSentence, "tostring(test_event.actor == player)", "true"},
    {"objects", kEventSentence, "table.getn(test_event.objects) .. test_event.objects[2].uid", "2lamp"},
    {"seconds", kEventSentence, "table.getn(test_event.seconds) .. test_event.seconds[1].uid", "1box"},
    {"words", kEventSentence, "table.concat(test_event.words, ',')", "положите,монету,и,лампу,во,ящик"},
    {"text", kEventSentence, "test_event.text", kEventSentence},
    {"direction", "идти на север", "test_event.direction .. ' ' .. test_event.object_preposition .. ' ' .. "
                                   "tostring(test_event.object)", "север на nil"},
    {"topic", "спроси ящик о погоде", "test_event.object.uid .. ' ' .. test_event.topic", "box погоде"},
    {"order", "ящик, возьми лампу", "test_event.actor.uid .. ' ' .. tostring(test_event.order)", "box true"},
    {"all", "возьми всё", "tostring(test_event.all)", "true"},
    {"one of several is not all", "возьми лампу и ящик", "tostring(test_event.all)", "nil"},
};

template <size_t N>
void AddCases(const Case (&cases)[N])
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    for (const Case &c : cases)
        QTest::newRow(c.name) << U(c.input) << U(c.output);
}

} // namespace

class EngineParserTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;

    void RunCase()
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

private slots:
    void init()
    {
        m_host = std::make_unique<ScriptHost>();
        m_console = RecordingConsole();
        m_host->SetConsole(&m_console);
        QCOMPARE(RunForErrors(*m_host, m_console, QStringLiteral("dofile 'startup.lua'")), QString());
        QCOMPARE(RunForErrors(*m_host, m_console, U(kWorld)), QString());
    }
    void cleanup() { m_host.reset(); }

    void sentences_data() { AddCases(kSentences); }
    void sentences() { RunCase(); }
    void failures_data() { AddCases(kFailures); }
    void failures() { RunCase(); }
    void catchers_data() { AddCases(kCatchers); }
    void catchers() { RunCase(); }

    void russian_data() { AddCases(kRussian); }
    void russian() { RunCase(); }

    // The event's own fields, as the world's catcher sees the first event of a sentence.
    void eventFields_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("value");
        for (const EventCase &c : kEvents)
            QTest::newRow(c.name) << U(c.sentence) << U(c.expression) << U(c.value);
    }
    void eventFields()
    {
        QFETCH(QString, sentence);
        QFETCH(QString, expression);
        QFETCH(QString, value);
        m_host->RunLua(U("vocabulary('verbs', 'put положить полож*\\ntake возьми\\ngo идти\\nask спроси'); "
                         "world:add(function (event) test_event = test_event or event end)"));
        Parse(*m_host, sentence);
        QCOMPARE(m_host->EvalString(expression), value);
    }

    // What the engine gives as the text of the words: letters in lower case, punctuation gone.
    void words_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("words");
        QTest::newRow("Russian capitals") << U("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ")
                                          << U("абвгдежзийклмнопрстуфхцчшщъыьэюя");
        QTest::newRow("Ё") << U("ЁЖ ёж") << U("ёж,ёж");
        QTest::newRow("Latin and digits") << U("Take LAMP 2") << U("take,lamp,2");
        QTest::newRow("other letters of the code page") << U("ЄЇІЎЂ") << U("єїіўђ");
        QTest::newRow("punctuation") << U("«Взять»: лампу, ключ; (и) —  всё?!")
                                     << U("взять,лампу,ключ,и,всё");
        QTest::newRow("hyphen inside a word") << U("северо-запад -вниз- --") << U("северо-запад,вниз");
        QTest::newRow("tabs and line breaks") << U("взять\tлампу\r\n") << U("взять,лампу");
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
    void showForms_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("adjective and noun") << U("world:create('test_forms', 'Медный ключ')")
                                            << QStringList{U("Формы имени «Медный ключ» (test_forms):"),
                                                           U("  тв. медным ключем/ключом"),
                                                           U("  мн. им. медные ключи")};
        QTest::newRow("a feminine name, its own forms only")
            << U("world:create('test_forms', 'Старая лампа')")
            << QStringList{U("  тв. старой/старою лампой/лампою"), U("  мн. род. старых ламп")};
        QTest::newRow("a dependent phrase stays") << U("world:create('test_forms', 'Кувшин с водой')")
                                                  << QStringList{U("  дат. кувшину с водой")};
        QTest::newRow("data.forms") << U("world:create('test_forms', 'Мельник'); test_forms.data.forms = '=дед'")
                                    << QStringList{U("  ещё (data.forms): дед")};
        QTest::newRow("not an object") << QString() << QStringList{U("show_forms: укажите объект или его uid")};
    }
    void showForms()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, lines);
        m_host->RunLua(setup);
        const qsizetype from = m_console.lines.size();
        m_host->RunLua(QStringLiteral("show_forms('test_forms')"));
        const QStringList printed = Answers(m_console, int(from));
        for (const QString &line : lines)
            QVERIFY2(printed.contains(line), qPrintable(line + QStringLiteral(" not in:\n") + printed.join(QLatin1Char('\n'))));
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
