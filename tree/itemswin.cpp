#include "tree/itemswin.h"

TItemsWin::TItemsWin(QWidget *parent)
    : TToolWin(QStringLiteral("Дерево объектов"), QStringLiteral("TItemsWin"), QSize(501, 478), parent)
{
}
