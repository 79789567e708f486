#include "widgets/toolwin.h"

TToolWin::TToolWin(const QString &caption, const QString &className, QSize designSize,
                   QWidget *parent)
    : QDockWidget(caption, parent), m_designSize(designSize)
{
    setObjectName(className);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                | QDockWidget::DockWidgetFloatable);
    SetClient(new SizedClient(designSize));
}

void TToolWin::SetClient(QWidget *client)
{
    client->setAccessibleName(windowTitle());
    setWidget(client);
}
