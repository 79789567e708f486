// tarnwick-play: plays a game compiled by Tarnwick in a UTF-8 terminal.
//   tarnwick-play game.lua                      plays interactively
//   tarnwick-play game.lua < walkthrough.txt    plays a whole transcript, echoing each line

#include "play/gameplayer.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "Использование: tarnwick-play ИГРА.lua\n"
                     "Играет в игру, собранную в Tarnwick; строки игрока читаются со стандартного "
                     "ввода.\n");
        return argc == 2 ? 0 : 2;
    }
    GamePlayer player(stdin, stdout, stderr);
    // Lines that come from a file are not shown by the terminal, so the player writes them back.
    player.SetEcho(!isatty(fileno(stdin)));
    return player.Run(QString::fromLocal8Bit(argv[1]));
}
