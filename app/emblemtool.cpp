// Writes the emblem as the installed icon files: tarnwick-emblem SVG-FILE PNG-FILE SIZE.
#include "app/emblem.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SVG-FILE PNG-FILE SIZE\n", argv[0]);
        return 2;
    }
    QFile svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.open(QIODevice::WriteOnly) || svg.write(Emblem::Svg()) < 0 || !svg.flush()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    const int size = QByteArray(argv[3]).toInt();
    if (size <= 0 || !Emblem::Image(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
