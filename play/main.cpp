// tarnwick-play: plays a game compiled by Tarnwick in a UTF-8 terminal.
//   tarnwick-play game.lua                      plays interactively
//   tarnwick-play game.lua < walkthrough.txt    plays a whole transcript, echoing each line
//   tarnwick-play --expect game.expected game.lua < walkthrough.txt
//                                               checks the transcript against the expected one

#include "play/expect.h"
#include "play/gameplayer.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv)
{
    QString game;
    QString expected;
    bool help = false;
    bool wrong = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            help = true;
        else if (std::strcmp(argv[i], "--expect") == 0 && i + 1 < argc)
            expected = QString::fromLocal8Bit(argv[++i]);
        else if (game.isEmpty() && argv[i][0] != '-')
            game = QString::fromLocal8Bit(argv[i]);
        else
            wrong = true;
    }
    if (help || wrong || game.isEmpty()) {
        std::fprintf(help ? stdout : stderr,
                     "Использование: tarnwick-play [--expect СТЕНОГРАММА] ИГРА.lua\n"
                     "Играет в игру, собранную в Tarnwick; строки игрока читаются со стандартного "
                     "ввода.\n"
                     "С --expect сверяет стенограмму игры с ожидаемой и сообщает первое "
                     "расхождение (код выхода 1).\n");
        return help ? 0 : 2;
    }
    if (!expected.isEmpty())
        return PlayExpecting(game, expected);
    GamePlayer player(stdin, stdout, stderr);
    // Lines that come from a file are not shown by the terminal, so the player writes them back.
    player.SetEcho(!isatty(fileno(stdin)));
    return player.Run(game);
}
