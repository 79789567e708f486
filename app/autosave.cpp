#include "app/autosave.h"

#include "app/mainwin.h"
#include "errors/errorswin.h"
#include "project/recovery.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "widgets/asker.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

constexpr int kEveryMs = 2 * 60 * 1000;
// How soon a copy that had to wait is tried again.
constexpr int kRetryMs = 5 * 1000;

bool Editable(QWidget *widget)
{
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        return !line->isReadOnly();
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget))
        return !plain->isReadOnly();
    if (auto *rich = qobject_cast<QTextEdit *>(widget))
        return !rich->isReadOnly();
    return false;
}

// An editor opened inside a list, tree or grid (a label being renamed, a cell being typed).
bool InItemView(QWidget *widget)
{
    for (QWidget *w = widget->parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<QAbstractItemView *>(w))
            return true;
    return false;
}

} // namespace

Autosave::Autosave(TMainWin &main) : QObject(&main), m_main(main)
{
    m_timer.setInterval(kEveryMs);
    connect(&m_timer, &QTimer::timeout, this, &Autosave::Tick);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &Autosave::Tick);
}

Autosave::~Autosave() = default;

void Autosave::Start(const QString &folder)
{
    m_keeper = std::make_unique<RecoveryKeeper>(m_main.Host(), folder, QDir::currentPath());
    m_keeper->MatchesProject(QString());
    m_timer.start();
    OfferOrphans();
}

void Autosave::OfferOrphans()
{
    const QList<RecoveryCopy> copies = m_keeper->AdoptOrphans();
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const RecoveryCopy &copy = copies[i];
        const QMessageBox::StandardButton answer = m_asker->Question(
            &m_main, QStringLiteral("Подтверждение"),
            QStringLiteral("Восстановить несохранённую работу из %1?").arg(copy.origin),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            continue;
        m_main.Project().OpenFile(copy.file);
        m_main.SetCurrentProjectFile(ProjectCommands::NewProjectName());
        m_keeper->ForgetProject();
        // One restored world at a time: the copies not asked about wait for the next start.
        for (qsizetype j = i + 1; j < copies.size(); ++j)
            m_keeper->Release(copies[j]);
        return;
    }
}

bool Autosave::Waiting() const
{
    if (m_main.Host().Depth() > 0 || QApplication::activeModalWidget() || QApplication::activePopupWidget()
        || QGuiApplication::mouseButtons() != Qt::NoButton)
        return true;
    QWidget *focus = QApplication::focusWidget();
    return focus && Editable(focus)
           && (InItemView(focus) || m_main.Properties()->isAncestorOf(focus)
               || m_main.Errors()->isAncestorOf(focus));
}

void Autosave::Tick()
{
    if (!m_keeper)
        return;
    if (Waiting()) {
        m_retry.start();
        return;
    }
    QString problem;
    if (m_keeper->Update(m_main.CurrentProjectFile(), &problem) || m_reported)
        return;
    // Said once: the author should know work is not being kept, but not every two minutes.
    m_reported = true;
    if (ConsoleSink *console = m_main.Host().Console())
        console->ConsolePrint(QStringLiteral("Резервная копия проекта не записана: %1").arg(problem),
                              ConsoleKind::Error);
}

void Autosave::WriteNow()
{
    Tick();
}

void Autosave::WorldMatchesProject(const QString &writtenFile)
{
    if (m_keeper)
        m_keeper->MatchesProject(writtenFile);
}

void Autosave::CleanExit()
{
    m_timer.stop();
    m_retry.stop();
    if (m_keeper)
        m_keeper->RemoveAll();
}

QString Autosave::CurrentCopy() const
{
    return m_keeper ? m_keeper->CopyOf(m_main.CurrentProjectFile()) : QString();
}
