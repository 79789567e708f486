#include "map/mapwin.h"

TMapWin::TMapWin(QWidget *parent)
    : TToolWin(QStringLiteral("Карта"), QStringLiteral("TMapWin"), QSize(544, 375), parent)
{
}
