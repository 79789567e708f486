#include "errors/errorswin.h"

TErrorsWin::TErrorsWin(QWidget *parent)
    : TToolWin(QStringLiteral("Ошибки парсинга"), QStringLiteral("TErrorsWin"), QSize(616, 284), parent)
{
}
