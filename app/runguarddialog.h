#pragma once

#include "script/scriptclients.h"

#include <QDialog>

class QLabel;

// Shown while a chunk has run for more than a moment: keeps the program painted and lets the
// author stop the chunk. It is modal, so nothing else can start Lua while the chunk is suspended.
class RunGuardDialog : public QDialog, public RunGuard
{
    Q_OBJECT

public:
    explicit RunGuardDialog(QWidget *parent = nullptr);

    bool KeepRunning(qint64 elapsedMs) override;
    void RunEnded() override;

    void RequestStop() { m_stopRequested = true; }

protected:
    void reject() override;

private:
    QLabel *m_label = nullptr;
    bool m_stopRequested = false;
};
