#include "widgets/asker.h"

#include <QFileDialog>
#include <QInputDialog>

namespace {

QMessageBox::StandardButton Ask(QMessageBox::Icon icon, QWidget *parent, const QString &caption,
                                const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

// "Проект 'Tarnwick'|*.twk" in the form the file dialogs read: "Проект 'Tarnwick' (*.twk)".
QString NameFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    return filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + QLatin1Char(')');
}

bool AskFile(QWidget *parent, const QString &filter, QString *name, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilter(NameFilter(filter));
    // The commands check for an existing file and add the extension themselves.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QString());
    if (!name->isEmpty())
        dialog.selectFile(*name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    *name = dialog.selectedFiles().constFirst();
    return true;
}

} // namespace

QMessageBox::StandardButton MessageBoxAsker::Question(QWidget *parent, const QString &caption,
                                                      const QString &text,
                                                      QMessageBox::StandardButtons buttons)
{
    return Ask(QMessageBox::Question, parent, caption, text, buttons);
}

QMessageBox::StandardButton MessageBoxAsker::Warning(QWidget *parent, const QString &caption,
                                                     const QString &text,
                                                     QMessageBox::StandardButtons buttons)
{
    return Ask(QMessageBox::Warning, parent, caption, text, buttons);
}

QMessageBox::StandardButton MessageBoxAsker::Stop(QWidget *parent, const QString &caption,
                                                  const QString &text,
                                                  QMessageBox::StandardButtons buttons)
{
    return Ask(QMessageBox::Critical, parent, caption, text, buttons);
}

void MessageBoxAsker::ShowError(QWidget *parent, const QString &caption, const QString &text)
{
    Ask(QMessageBox::Critical, parent, caption, text, QMessageBox::Ok);
}

bool MessageBoxAsker::AskText(QWidget *parent, const QString &caption, const QString &prompt,
                              QString *answer)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(*answer);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *answer = dialog.textValue();
    return true;
}

bool MessageBoxAsker::AskOpenFile(QWidget *parent, const QString &filter, QString *name)
{
    return AskFile(parent, filter, name, QFileDialog::AcceptOpen);
}

bool MessageBoxAsker::AskSaveFile(QWidget *parent, const QString &filter, QString *name)
{
    return AskFile(parent, filter, name, QFileDialog::AcceptSave);
}
