#include "properties/propertieswin.h"

TPropertiesWin::TPropertiesWin(QWidget *parent)
    : TToolWin(QStringLiteral("Свойства объекта"), QStringLiteral("TPropertiesWin"), QSize(692, 476), parent)
{
}
