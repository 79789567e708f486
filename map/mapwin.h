#pragma once

#include "app/toolwin.h"

// The map of the world: pages of object icons joined by lines the engine draws.
class TMapWin : public TToolWin
{
    Q_OBJECT

public:
    explicit TMapWin(QWidget *parent = nullptr);
};
