#pragma once

#include "app/toolwin.h"

// The nine messages of the engine's parser, edited in place.
class TErrorsWin : public TToolWin
{
    Q_OBJECT

public:
    explicit TErrorsWin(QWidget *parent = nullptr);
};
