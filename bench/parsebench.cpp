#include "bench/benchmarks.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "tests/engine/corpus/corpusfiles.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

// Counts what the parser prints, so its answers cost no drawing.
class CountingSink : public ConsoleSink
{
public:
    void ConsolePrint(const QString &, int) override { ++lines; }
    long lines = 0;
};

constexpr int kLoopSentences = 50000;
constexpr int kConsoleSentences = 10000;

// A world of 1,000 objects (50 rooms of 19 things each) named by 2,000 generated words that are
// added to the starter nouns, the player in the first room, and the sentences to parse: names
// with and without adjectives, two objects, a second object, a pronoun, "опять", the location,
// an object elsewhere and an unknown word.
const char kWorld[] = R"lua(
local syllables = { 'ба', 'ве', 'го', 'ду', 'жи', 'зо', 'ка', 'ле', 'ми', 'но', 'пу', 'ры', 'са',
                    'ту', 'фе', 'ха', 'це', 'чу', 'ша', 'щи' }
local function word (i)
  local a, b, c = math.mod(i, 20), math.mod(math.floor(i / 20), 20), math.floor(i / 400)
  return syllables[c + 1] .. syllables[b + 1] .. syllables[a + 1]
end
local rows = {}
for _, row in ipairs(nouns.rows) do table.insert(rows, row) end
for i = 0, 1999 do
  local w = word(i)
  if math.mod(i, 4) == 0 then
    table.insert(rows, { w, w .. '*' })
  else
    table.insert(rows, { w, w .. 'у', w .. 'а', w .. 'е', w .. 'ом' })
  end
end
vocabulary('nouns', rows)
bench_words = table.getn(rows)

acted = 0
local function act (self, event) acted = acted + 1 end
local n = 0
for r = 1, 50 do
  local room = world:create('room' .. r, word(1000 + r))
  room.look = act
  for t = 1, 19 do
    n = n + 1
    local thing = room:create('thing' .. n, word(1100 + math.mod(n, 40)) .. ' ' .. word(n))
    thing.take, thing.look, thing.put = act, act, act
  end
end
player:moveto(room1)
bench_objects = 0
for k, v in pairs(_G) do
  if type(v) == 'table' and getmetatable(v) == OBJECT and v ~= world and v ~= player then
    bench_objects = bench_objects + 1
  end
end

-- Lines of about 100 KB that once took the parser seconds, or worse: two objects with no
-- preposition, a list, many commands, unknown words, one endless name, conjunctions, NUL bytes.
local function long (unit) return string.rep(unit, math.floor(100000 / string.len(unit))) end
bench_long = {
  'взять ' .. long(word(1) .. 'у ' .. word(2) .. 'у '),
  'взять ' .. long(word(1) .. 'у, '),
  long('взять ' .. word(1) .. 'у. '),
  long('фыва '),
  'осмотреть ' .. long(word(1101) .. ' '),
  'взять ' .. long('и '),
  long('взять' .. string.char(0)),
  long('взять ' .. word(1) .. 'у в '),
}

bench_sentences = {
  'взять ' .. word(1) .. 'у',
  'осмотреть ' .. word(1100 + 2) .. ' ' .. word(2),
  'положить ' .. word(3) .. 'у в ' .. word(4) .. 'е',
  'взять ' .. word(5) .. 'у и ' .. word(6) .. 'у',
  'осмотреть его',
  'опять',
  'осмотреться',
  'взять ' .. word(500) .. 'у',
  'отпереть ' .. word(7) .. 'у',
  'фыва',
}
)lua";

// The corpus of player lines over its two games: how many are understood, in under 50 ms each.
void BenchCorpus()
{
    ScriptHost host;
    CountingSink sink;
    host.SetConsole(&sink);
    host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    if (!CorpusFiles::Load(host)) {
        std::printf("parse: the corpus was not found beside %s\n", qPrintable(CorpusFiles::Dir()));
        return;
    }
    for (int i = 1; host.EvalString(QStringLiteral("tostring(corpus_play(%1, 0.05))").arg(i)) == QLatin1String("true");)
        ++i;
    host.RunLua(QStringLiteral("corpus_result = CORPUS_RESULT"));
    const int total = host.EvalString(QStringLiteral("corpus_result.total")).toInt();
    const int understood = host.EvalString(QStringLiteral("corpus_result.understood")).toInt();
    std::printf("parse: corpus understood %d/%d             %.1f%% (target >= 95%%), known gaps %s, "
                "Lua errors %s\n",
                understood, total, total > 0 ? 100.0 * understood / total : 0.0,
                qPrintable(host.EvalString(QStringLiteral("corpus_result.gaps"))),
                qPrintable(host.EvalString(QStringLiteral("corpus_result.errors"))));
    std::printf("parse: corpus, the slowest line          %.1f ms (target < 50): %s\n",
                host.EvalString(QStringLiteral("corpus_result.slowest")).toDouble() * 1000,
                host.EvalString(QStringLiteral("corpus_result.slowest_line")).toUtf8().constData());
}

} // namespace

void BenchParse()
{
    ScriptHost host;
    CountingSink sink;
    host.SetConsole(&sink);
    host.RunLua(QStringLiteral("dofile 'startup.lua'"));
    host.RunLua(QString::fromUtf8(kWorld));
    const int objects = host.EvalString(QStringLiteral("bench_objects")).toInt();
    const int words = host.EvalString(QStringLiteral("bench_words")).toInt();
    const int count = host.EvalString(QStringLiteral("table.getn(bench_sentences)")).toInt();
    if (objects < 1000 || count == 0) {
        std::printf("parse: the generated world was not built\n");
        return;
    }

    // The parser alone: one Lua loop over the sentences.
    QElapsedTimer clock;
    clock.start();
    host.RunLua(QStringLiteral("local s, c = bench_sentences, table.getn(bench_sentences) "
                               "for i = 1, %1 do parse(s[math.mod(i, c) + 1]) end")
                    .arg(kLoopSentences));
    const double loopSeconds = Seconds(clock);

    // As the console calls it: one chunk per sentence, the line between long brackets.
    QStringList calls;
    for (int i = 1; i <= count; ++i) {
        const QString sentence = host.EvalString(QStringLiteral("bench_sentences[%1]").arg(i));
        calls.append(QStringLiteral("parse (") + LuaQuote::LongString(sentence) + QLatin1Char(')'));
    }
    clock.restart();
    for (int i = 0; i < kConsoleSentences; ++i)
        host.RunLua(calls[i % count]);
    const double consoleSeconds = Seconds(clock);

    // The longest lines, one chunk each.
    const int longCount = host.EvalString(QStringLiteral("table.getn(bench_long)")).toInt();
    double slowestLong = 0;
    for (int i = 1; i <= longCount; ++i) {
        clock.restart();
        host.RunLua(QStringLiteral("parse(bench_long[%1])").arg(i));
        slowestLong = qMax(slowestLong, Seconds(clock));
    }

    const int acted = host.EvalString(QStringLiteral("acted")).toInt();
    std::printf("parse: world                              %d objects, %d noun rows (2000 generated)\n",
                objects, words);
    std::printf("parse: sentences per second, Lua loop     %.0f (target >= 5000)\n",
                kLoopSentences / loopSeconds);
    std::printf("parse: sentences per second, as console   %.0f (target >= 5000)\n",
                kConsoleSentences / consoleSeconds);
    std::printf("parse: methods called, answers printed    %d, %ld\n", acted, sink.lines);
    std::printf("parse: %d lines of 100 KB, the slowest     %.1f ms (target < 50)\n", longCount,
                slowestLong * 1000);
    BenchCorpus();
}
