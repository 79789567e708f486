#include "vocabulary/vocabularywin.h"

TVocabularyWin::TVocabularyWin(QWidget *parent)
    : TToolWin(QStringLiteral("Словарь"), QStringLiteral("TVocabularyWin"), QSize(696, 480), parent)
{
}
