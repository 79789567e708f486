#pragma once

#include "app/toolwin.h"

// The ownership tree of the world's objects.
class TItemsWin : public TToolWin
{
    Q_OBJECT

public:
    explicit TItemsWin(QWidget *parent = nullptr);
};
