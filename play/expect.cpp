#include "play/expect.h"

#include "play/gameplayer.h"
#include "play/transcript.h"

#include <QFile>

#include <cstdio>

namespace {

void Print(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fprintf(stream, "%s\n", bytes.constData());
}

} // namespace

int PlayExpecting(const QString &game, const QString &expectedFile)
{
    QFile file(expectedFile);
    if (!file.open(QIODevice::ReadOnly)) {
        Print(stderr, QStringLiteral("tarnwick-play: не удалось прочитать %1: %2").arg(expectedFile, file.errorString()));
        return 2;
    }
    const QStringList expected = Transcript::Lines(QString::fromUtf8(file.readAll()));

    // The game writes into a file of its own; the transcript is compared once the game has ended.
    std::FILE *output = std::tmpfile();
    if (!output) {
        Print(stderr, QStringLiteral("tarnwick-play: нет места для стенограммы"));
        return 2;
    }
    int status = 0;
    {
        GamePlayer player(stdin, output, stderr);
        // The transcript holds the player's lines whether they come from a file or a terminal.
        player.SetEcho(true);
        status = player.Run(game);
    }
    QByteArray written;
    std::rewind(output);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, output)) > 0;)
        written.append(buffer, qsizetype(n));
    std::fclose(output);

    const Transcript::Difference difference =
        Transcript::Compare(expected, Transcript::Lines(QString::fromUtf8(written)));
    if (difference.line > 0) {
        for (const QString &line : Transcript::Describe(difference))
            Print(stdout, line);
        return 1;
    }
    if (status != 0)
        return 1;
    Print(stdout, QStringLiteral("Стенограмма совпадает с ожидаемой (строк: %1).").arg(expected.size()));
    return 0;
}
