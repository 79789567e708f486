#pragma once

#include "app/toolwin.h"

// The selected object's display name, properties, code and data.
class TPropertiesWin : public TToolWin
{
    Q_OBJECT

public:
    explicit TPropertiesWin(QWidget *parent = nullptr);
};
