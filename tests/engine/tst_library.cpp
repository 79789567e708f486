// The standard library of actions in a real script host: a small world with nothing but data, short
// scripts of player lines, and the answer to the last line; one table per group. The commands about
// the game itself are also played in a compiled game, where they save, load and end it.

#include "tests/engine/enginetesting.h"
#include "tests/testmain.h"

#include <QTemporaryDir>
#include <QTest>

using namespace EngineTesting;

namespace {

const char kWorld[] = R"lua(
world:create('hall', 'Зал'); world:create('study', 'Кабинет'); world:create('cellar', 'Подвал')
world:create('yard', 'Двор'); player:moveto(hall)
hall:create('door', 'Дубовая дверь'); yard:add(door)
hall:create('lamp', 'Старая лампа'); hall:create('box', 'Ящик'); box:create('coin', 'Монета')
hall:create('shelf', 'Полка'); shelf:create('cup', 'Чашка'); hall:create('miller', 'Мельник')
hall:create('apple', 'Яблоко'); hall:create('hat', 'Шляпа'); hall:create('key', 'Ржавый ключ')
hall:create('nail', 'Гвоздь'); cellar:create('sack', 'Мешок')
hall.data = { description = 'Просторный зал.',
              exits = { ['север'] = study, ['восток'] = door, ['вниз'] = cellar, ['юг'] = 'Там обрыв.' } }
study.data = { exits = { ['юг'] = hall } }
cellar.data = { dark = true, exits = { ['вверх'] = hall } }
yard.data = { exits = { ['запад'] = door } }
door.data = { closed = true, locked = true, key = key, scenery = true }
lamp.data = { lit = false }
box.data = { closed = true }
shelf.data = { supporter = true, capacity = 1 }
miller.data = { animate = true, accepts = apple, talk = 'Мельник ворчит.', topics = { ['ключ'] = 'Ключ? Был где-то.' } }
apple.data = { edible = true }
hat.data = { wearable = true }
)lua";

const char kHall[] = "Зал|Просторный зал.|Здесь есть: старая лампа, ящик, полка, мельник, яблоко, шляпа, ржавый ключ "
                     "и гвоздь.|На полке: чашка.|Выходы: север, восток, вниз.";

// Player lines joined by "|" (one that starts with "lua:" runs as Lua), and the answer to the last.
struct Script
{
    const char *name, *lines, *answer;
};

const Script kScripts[] = {
    // Things.
    {"examine", "осмотри лампу", "Вы не видите в старой лампе ничего особенного."},
    {"take, twice", "возьми лампу|возьми лампу", "Старая лампа уже у вас."},
    {"a container stays", "возьми ящик", "=6"},
    {"a living being", "возьми мельника", "Вряд ли мельник это позволит."},
    {"take out of", "открой ящик|возьми монету из ящика", "Вы берёте монету."},
    {"a full supporter", "возьми гвоздь|положи гвоздь на полку", "На полке больше нет места."},
    {"a closed container", "возьми гвоздь|положи гвоздь в ящик", "Ящик закрыт."},
    {"put in", "возьми гвоздь|открой ящик|положи гвоздь в ящик", "Вы кладёте гвоздь в ящик."},
    {"drop what is not held", "брось гвоздь", "У вас нет гвоздя."},
    {"clothes come off first", "возьми шляпу|надень шляпу|брось шляпу", "Сначала снимите шляпу."},
    {"inventory", "возьми шляпу|надень шляпу|возьми лампу|и", "У вас с собой: шляпа (надета) и старая лампа."},
    {"locked", "открой дверь", "Дубовая дверь заперта."},
    {"no key", "отопри дверь", "Вам нечем отпереть дубовую дверь."},
    {"the wrong key", "возьми гвоздь|отопри дверь гвоздём", "Гвоздь не подходит к дубовой двери."},
    {"the key carried", "возьми ключ|отопри дверь", "Вы отпираете дубовую дверь ржавым ключом."},
    {"lock an open door", "возьми ключ|отопри дверь|открой дверь|запри дверь ключом", "Сначала закройте дубовую дверь."},
    {"eat", "съешь яблоко|и", "У вас ничего нет."},
    {"not food", "съешь гвоздь", "Гвоздь несъедобен."},
    {"give refused", "возьми гвоздь|дай гвоздь мельнику", "Мельник не хочет брать гвоздь."},
    {"give accepted", "возьми яблоко|дай яблоко мельнику", "Мельник берёт яблоко."},
    {"give to a thing", "возьми яблоко|дай яблоко ящику", "Отдавать что-либо ящику бессмысленно."},
    {"show", "покажи лампу мельнику", "Мельник равнодушно смотрит на старую лампу."},
    {"talk", "поговори с мельником", "Мельник ворчит."},
    {"ask about a topic", "спроси мельника о ключе", "Ключ? Был где-то."},
    {"ask about anything else", "спроси мельника о погоде", "Мельник пожимает плечами."},
    {"an order", "мельник, возьми лампу", "Мельник не обращает внимания на ваши слова."},
    {"push what stays", "толкни ящик", "Ящик не поддаётся."},
    {"push a being", "толкни мельника", "Вряд ли мельнику это понравится."},
    {"all that can be taken",
     "возьми всё|и", "У вас с собой: старая лампа, чашка, яблоко, шляпа, ржавый ключ и гвоздь."},
    {"nothing left for all", "возьми всё|возьми всё", "Здесь нет ничего подходящего."},
    {"a way named as a direction", "lua:hall:create('way', 'Север')|возьми север|осмотри север",
     "На севере нет ничего интересного."},
    {"an object's own reply", "lua:lamp.data.replies = { take = 'Лампа в руках.' }|возьми лампу", "Лампа в руках."},
    {"data.fixed says why", "lua:nail.data.fixed = 'Гвоздь вбит намертво.'|возьми гвоздь", "Гвоздь вбит намертво."},
    {"a method wins and may call the library",
     "lua:function lamp:take (e) print('Сначала своё.') ACTIONS.take(e) end|возьми лампу",
     "Сначала своё.|Вы берёте старую лампу."},
    {"a catcher's self is its holder",
     "lua:hall:add(function (e) if e.verb == 'jump' then print('Держит ' .. self.uid) return true end end)|прыгни",
     "Держит hall"},
    // Movement.
    {"look around", "осмотреться", kHall},
    {"a direction", "север", "Кабинет|Выходы: юг."},
    {"an exit that is a text", "юг", "Там обрыв."},
    {"no exit", "запад", "Туда не пройти."},
    {"a closed door", "lua:door.data.locked = false|восток", "Дубовая дверь закрыта."},
    {"through a door and back", "lua:door.data.locked = false; door.data.closed = false|восток|назад", kHall},
    {"a room by its name", "иди в кабинет", "Кабинет|Выходы: юг."},
    {"a room beyond a door by its name", "lua:door.data.locked = false; door.data.closed = false|иди во двор",
     "Двор|Выходы: запад."},
    {"a thing not yet named is not listed", "lua:hall:create('unnamed', '')|осмотреться", kHall},
    {"moved by a method, and back", "lua:move_player(study)|назад", kHall},
    {"a look that way", "посмотри на север", "На севере — кабинет."},
    {"to someone here", "иди к мельнику", "Вы и так рядом с мельником."},
    {"into a thing", "войди в ящик", "В ящик не войти."},
    {"a line for a thing in its room", "lua:lamp.data.here = 'В углу чадит лампа.'|север|юг",
     "Зал|Просторный зал.|В углу чадит лампа.|Здесь есть: ящик, полка, мельник, яблоко, шляпа, ржавый ключ и гвоздь."
     "|На полке: чашка.|Выходы: север, восток, вниз."},
    // Light.
    {"a dark room", "вниз", "Здесь темно, хоть глаз выколи."},
    {"nothing to name in the dark", "вниз|возьми мешок", "Здесь слишком темно, ничего не разглядеть."},
    {"a light carried", "возьми лампу|зажги лампу|вниз", "Подвал|Здесь есть: мешок.|Выходы: вверх."},
    {"a light lying there", "lua:lamp.data.lit = true; lamp:moveto(cellar)|вниз",
     "Подвал|Здесь есть: мешок и старая лампа.|Выходы: вверх."},
    {"a light shut in a box", "lua:lamp.data.lit = true; lamp:moveto(box)|вниз", "Здесь темно, хоть глаз выколи."},
    {"lighting shows the room", "возьми лампу|вниз|зажги лампу", "Вы зажигаете старую лампу.|Подвал|Здесь есть: мешок.|Выходы: вверх."},
    {"putting it out", "возьми лампу|зажги лампу|вниз|погаси лампу", "Старая лампа погасла.|Становится темно."},
    // The game itself.
    {"undo twice", "возьми лампу|возьми гвоздь|отменить|отменить|и", "У вас ничего нет."},
    {"undo passes over help", "возьми лампу|помощь|отменить|и", "У вас ничего нет."},
    {"nothing to undo", "отменить", "Отменять нечего."},
    {"undo brings back what was eaten", "съешь яблоко|отменить|возьми яблоко", "Вы берёте яблоко."},
    {"restart", "возьми лампу|север|заново|и", "У вас ничего нет."},
    {"quit in the console", "конец", "В собранной игре здесь игра закончилась бы. В консоли можно играть "
                                     "дальше или начать заново: «заново»."},
    {"the game's own help", "lua:world.data.help = 'Своя помощь.'|помощь", "Своя помощь."},
    {"no score", "счёт", "В этой игре очки не ведутся."},
    {"the score", "lua:world.data.score = 5; world.data.max_score = 20|возьми лампу|счёт",
     "Вы набрали 5 очков из 20 за 1 ход."},
    {"о looks around", "о", kHall},
};

} // namespace

class EngineLibraryTest : public QObject
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

    void scripts_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("answer");
        for (const Script &row : kScripts)
            QTest::newRow(row.name) << U(row.lines) << U(row.answer);
    }
    // Plays the lines and compares the answer to the last one ("=n" is parser message n).
    void scripts()
    {
        QFETCH(QString, lines);
        QFETCH(QString, answer);
        qsizetype from = 0;
        for (const QString &line : lines.split(QLatin1Char('|'))) {
            from = m_console.lines.size();
            if (line.startsWith(QLatin1String("lua:")))
                m_host->RunLua(line.mid(4));
            else
                Parse(*m_host, line);
        }
        if (answer.startsWith(QLatin1Char('=')))
            answer = m_host->EvalString(QStringLiteral("PARSE_ERROR[%1]").arg(answer.mid(1)));
        QCOMPARE(Answers(m_console, int(from)).join(QLatin1Char('|')), answer);
    }

    // A name in the six cases, and a reply that agrees with it in gender and number.
    void replies_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("cases");
        const struct
        {
            const char *name, *data, *cases;
        } rows[] = {
            {"Ржавый ключ", "", "ржавый ключ|ржавого ключа|ржавому ключу|ржавый ключ|ржавым ключом|ржавом ключе|заперт"},
            {"Дубовая дверь", "", "дубовая дверь|дубовой двери|дубовой двери|дубовую дверь|дубовой дверью|дубовой двери|заперта"},
            {"Окно", "", "окно|окна|окну|окно|окном|окне|заперто"},
            {"Грабли", "", "грабли|граблей|граблям|грабли|граблями|граблях|заперты"},
            {"Старый мельник", "animate = true", "старый мельник|старого мельника|старому мельнику|старого мельника|"
                                                 "старым мельником|старом мельнике|заперт"},
            {"Кувшин с водой", "", "кувшин с водой|кувшина с водой|кувшину с водой|кувшин с водой|кувшином с водой|"
                                   "кувшине с водой|заперт"},
            {"Гвоздь", "", "гвоздь|гвоздя|гвоздю|гвоздь|гвоздём|гвозде|заперт"},
            {"Свеча", "", "свеча|свечи|свече|свечу|свечей|свече|заперта"},
            {"Столовая", "", "столовая|столовой|столовой|столовую|столовой|столовой|заперта"},
            {"Спички", "forms = 'род:спичек'", "спички|спичек|спичкам|спички|спичками|спичках|заперты"},
            {"Дядя", "gender = 'м', animate = true", "дядя|дяди|дяде|дядю|дядей|дяде|заперт"},
            {"Иван", "animate = true, proper = true", "Иван|Ивана|Ивану|Ивана|Иваном|Иване|заперт"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << U(row.name) << U(row.data) << U(row.cases);
    }
    void replies()
    {
        QFETCH(QString, name);
        QFETCH(QString, data);
        QFETCH(QString, cases);
        m_host->RunLua(QStringLiteral("hall:create('thing', %1); thing.data = { %2 }").arg(LuaQuote::LongString(name), data));
        QStringList forms;
        for (const char *c : {"им", "род", "дат", "вин", "тв", "пр"})
            forms.append(m_host->EvalString(QStringLiteral("case_name(thing, '%1')").arg(U(c))));
        forms.append(m_host->EvalString(U("reply_text('заперт{|а|о|ы}', { object = thing })")));
        QCOMPARE(forms.join(QLatin1Char('|')), cases);
    }

    // In a compiled game a failing method leaves one neutral line, and the game is saved beside it
    // and loaded, begun again and ended after a question.
    void compiledGame()
    {
        QTemporaryDir dir;
        const QString game = dir.filePath(QStringLiteral("game.lua"));
        m_host->RunLua(QStringLiteral("nail.ide_data.take = 'local x = nil return x.y'; compile_world()"));
        QCOMPARE(RunForErrors(*m_host, m_console, QStringLiteral("filename = '%1'; dofile 'compile.lua'").arg(game)), QString());
        const Run played = PlayInTerminal({game}, U("возьми гвоздь|возьми лампу|сохранить|первая|возьми ключ|"
                                                    "загрузить|первая|и|заново|да|и|конец|нет|конец|да|и")
                                                      .split(QLatin1Char('|')));
        QCOMPARE(played.exitCode, 0);
        const QString all = played.out.join(QLatin1Char('\n'));
        qsizetype at = 0;
        for (const char *line : {"Что-то в игре сломалось, но играть можно дальше.",
                                 "Вы берёте старую лампу.", "Игра сохранена в файл ", "> первая",
                                 "Игра загружена.", "У вас с собой: старая лампа.",
                                 "Начать игру заново? (да/нет)", "У вас ничего нет.",
                                 "Закончить игру? (да/нет)", "Хорошо, продолжаем.", "Игра окончена."}) {
            while (at < played.out.size() && !played.out[at].startsWith(U(line)))
                ++at;
            QVERIFY2(at < played.out.size(), qPrintable(U(line) + U(" not in order in:\n") + all));
        }
    }
};

TARNWICK_TEST(EngineLibraryTest)

#include "tst_library.moc"
