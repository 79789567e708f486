#include "app/runguarddialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RunGuardDialog::RunGuardDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RunGuard"));
    setWindowTitle(QStringLiteral("Выполнение Lua"));
    setWindowModality(Qt::ApplicationModal);
    m_label = new QLabel;
    auto *stop = new QPushButton(QStringLiteral("&Остановить"));
    stop->setDefault(true);
    connect(stop, &QPushButton::clicked, this, &RunGuardDialog::RequestStop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(stop, 0, Qt::AlignRight);
}

bool RunGuardDialog::KeepRunning(qint64 elapsedMs)
{
    m_label->setText(QStringLiteral("Lua-код выполняется уже %1 с.").arg(elapsedMs / 1000));
    if (!isVisible())
        show();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !m_stopRequested;
}

void RunGuardDialog::RunEnded()
{
    m_stopRequested = false;
    if (isVisible())
        hide();
}

void RunGuardDialog::reject()
{
    // Escape or the close button stop the chunk; the dialog goes when the chunk has ended.
    RequestStop();
}
