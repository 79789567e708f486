#pragma once

#include "app/toolwin.h"

// The parser's vocabulary: verbs, nouns and prepositions.
class TVocabularyWin : public TToolWin
{
    Q_OBJECT

public:
    explicit TVocabularyWin(QWidget *parent = nullptr);
};
