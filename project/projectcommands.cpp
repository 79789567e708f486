#include "project/projectcommands.h"

#include "script/codepage.h"
#include "script/luaquote.h"
#include "script/opensandbox.h"
#include "script/riskycalls.h"
#include "script/scripthost.h"
#include "widgets/asker.h"

#include <QDir>
#include <QFile>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryFile>

#include <cstdio>

namespace {

const char *const kSaveCaption = "Сохранение проекта";
const char *const kOpenCaption = "Открытие проекта";

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

ProjectCommands::ProjectCommands(ScriptHost &host, ProjectWorkbench &workbench, Asker &asker,
                                 QWidget *dialogParent)
    : m_host(host),
      m_workbench(workbench),
      m_asker(&asker),
      m_dialogParent(dialogParent),
      m_writer(host),
      m_scriptFolder(QDir::currentPath()),
      m_saveDialogName(NewProjectName())
{
    UpdateModuleFolders();
}

QString ProjectCommands::NewProjectName()
{
    return QStringLiteral("Новый.twk");
}

QString ProjectCommands::FileFilter()
{
    return QStringLiteral("Проект 'Tarnwick'|*.twk");
}

void ProjectCommands::EnterScriptFolder() const
{
    QDir::setCurrent(m_scriptFolder);
}

void ProjectCommands::SetScriptFolder(const QString &folder)
{
    m_scriptFolder = folder;
    UpdateModuleFolders();
}

void ProjectCommands::UpdateModuleFolders()
{
    QStringList folders;
    // A project never saved has no folder of its own.
    if (m_workbench.CurrentProjectFile() != NewProjectName())
        folders << QFileInfo(m_workbench.CurrentProjectFile()).absolutePath();
    folders << m_scriptFolder;
    m_host.SetModuleFolders(folders);
}

QByteArray ProjectCommands::PathAssignment(const char *variable, const QString &path)
{
    const QByteArray bytes = m_host.FileNameForLua(path);
    // The plain single-quoted form is kept wherever it reads back; a quote or a line break in a
    // path would end it early.
    if (bytes.contains('\'') || bytes.contains('\n') || bytes.contains('\r'))
        return QByteArray(variable) + " = " + LuaQuote::QuotedString(bytes);
    QByteArray body = bytes;
    body.replace("\\", "\\\\");
    return QByteArray(variable) + " = '" + body + '\'';
}

void ProjectCommands::New()
{
    m_workbench.SetCurrentProjectFile(NewProjectName());
    UpdateModuleFolders();
    m_host.RunEchoed(QStringLiteral("dofile 'startup.lua'; update_items()"));
    m_workbench.WorldReplaced();
    m_workbench.WorldMatchesProject(QString());
}

void ProjectCommands::Open()
{
    QString name;
    if (!m_asker->AskOpenFile(m_dialogParent, FileFilter(), &name))
        return;
    OpenFile(name);
}

void ProjectCommands::OpenFile(const QString &name)
{
    m_workbench.EndPropertyEdit();
    QFile file(name);
    // The title changes only once the file is read: a later Save must not write this world
    // over a file that could not even be opened.
    if (!file.open(QIODevice::ReadOnly)) {
        m_asker->ShowError(m_dialogParent, Text(kOpenCaption),
                          QStringLiteral("Не удалось открыть файл %1: %2").arg(name, file.errorString()));
        return;
    }
    const QByteArray chunk = file.readAll();
    m_workbench.SetCurrentProjectFile(name);
    UpdateModuleFolders();
    {
        // A project may come from anyone: until it is open, nothing it runs reaches outside the world.
        const OpenSandbox sandbox(m_host, name, m_scriptFolder);
        // Run as a chunk of its own, so a syntax error is reported with its line.
        m_host.RunFile(chunk, name);
        m_workbench.WorldReplaced();
        EnterScriptFolder();
        m_host.RunLua(QStringLiteral("dofile 'postload.lua'"));
    }
    RiskyCalls::ReportProject(m_host, chunk, name);
    m_workbench.WorldMatchesProject(QString());
}

bool ProjectCommands::Save()
{
    m_workbench.RefreshTree();
    if (m_workbench.CurrentProjectFile() == NewProjectName())
        return SaveAs();
    const bool written = WriteProject(m_workbench.CurrentProjectFile());
    EnterScriptFolder();
    return written;
}

bool ProjectCommands::SaveAs()
{
    m_workbench.RefreshTree();
    m_workbench.EndPropertyEdit();
    // The dialog keeps the name last chosen in it, whatever was opened since.
    QString name = m_saveDialogName;
    if (!m_asker->AskSaveFile(m_dialogParent, FileFilter(), &name))
        return false;
    m_saveDialogName = name;
    // The question is about the file that will really be written, extension included.
    if (QFileInfo::exists(ProjectWriter::WithExtension(name))
        && m_asker->Warning(m_dialogParent, QStringLiteral("Подтверждение"),
                           QStringLiteral("Такой файл уже существует. Продолжить?"),
                           QMessageBox::Yes | QMessageBox::No)
               != QMessageBox::Yes)
        return false;
    if (!WriteProject(name))
        return false;
    m_workbench.SetCurrentProjectFile(name);
    UpdateModuleFolders();
    EnterScriptFolder();
    return true;
}

bool ProjectCommands::WriteProject(const QString &name)
{
    const QString target = ProjectWriter::WithExtension(name);
    if (target == QLatin1String("clipboard.twk"))
        return CopySelectedToClipboard();
    m_workbench.FocusTree();
    m_host.RunLua(QStringLiteral("if IDE_MAP then IDE_MAP:saveitems() end"));
    QList<QByteArray> lines;
    QString problem;
    if (!m_writer.ProjectLines(m_workbench.TreeNodes(), &lines, &problem)) {
        m_asker->ShowError(m_dialogParent, Text(kSaveCaption), problem);
        return false;
    }

    // The project is composed whole in a file beside the target, postsave.lua's part included,
    // and only then put in the target's place, so a failure never leaves half a project.
    const QFileInfo info(target);
    QTemporaryFile part(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                        + QStringLiteral(".XXXXXX"));
    const QByteArray bytes = ProjectWriter::JoinLines(lines);
    if (!part.open() || part.write(bytes) != bytes.size() || !part.flush()) {
        m_asker->ShowError(m_dialogParent, Text(kSaveCaption),
                          QStringLiteral("Не удалось записать файл %1: %2").arg(target, part.errorString()));
        return false;
    }
    part.close();
    part.setPermissions(info.exists() ? QFile::permissions(target)
                                      : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                            | QFile::ReadOther);
    m_host.RunBytes(PathAssignment("filename", part.fileName()));
    EnterScriptFolder();
    m_host.RunLua(QStringLiteral("dofile 'postsave.lua'"));
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(info.absoluteFilePath()).constData())
        != 0) {
        m_asker->ShowError(m_dialogParent, Text(kSaveCaption),
                          QStringLiteral("Не удалось заменить файл %1; прежний файл не тронут.").arg(target));
        return false;
    }
    part.setAutoRemove(false);
    m_host.RunBytes(PathAssignment("filename", target));
    m_workbench.WorldMatchesProject(info.absoluteFilePath());
    return true;
}

bool ProjectCommands::CopySelectedToClipboard()
{
    m_workbench.FocusTree();
    m_host.RunLua(QStringLiteral("if IDE_MAP then IDE_MAP:saveitems() end"));
    const ProjectNode node = m_workbench.SelectedTreeNode();
    if (node.uid.isEmpty())
        return false;
    QList<QByteArray> lines;
    QString problem;
    if (!m_writer.SubtreeLines(node, m_workbench.SelectedParentUid(), &lines, &problem)) {
        m_asker->ShowError(m_dialogParent, QStringLiteral("Копирование"), problem);
        return false;
    }
    // A temp.lua left by an earlier copy must not pass for this one's.
    const QString tempName = QStringLiteral("temp.lua");
    QFile::remove(tempName);
    m_host.RunLua(QStringLiteral("temp = ") + node.uid + QStringLiteral("\ndofile 'copynode.lua'"));
    QFile temp(tempName);
    if (!temp.open(QIODevice::ReadOnly)) {
        m_asker->ShowError(m_dialogParent, QStringLiteral("Копирование"),
                           QStringLiteral("Не удалось прочитать %1: %2").arg(tempName, temp.errorString()));
        return false;
    }
    const QByteArray extra = temp.readAll();
    QByteArray text = ProjectWriter::JoinLines(lines);
    for (QByteArray line : extra.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            text += line + "\r\n";
    }
    QGuiApplication::clipboard()->setText(CodePage::FromLua(text));
    return true;
}

QString ProjectCommands::CompileTarget(const QString &projectName)
{
    QString body = ProjectWriter::LuaPathBody(projectName);
    body.chop(ProjectWriter::Extension(body).size());
    return body + QStringLiteral(".lua");
}

void ProjectCommands::Compile()
{
    m_workbench.EndPropertyEdit();
    CompileProject(m_workbench.CurrentProjectFile());
}

void ProjectCommands::CompileProject(const QString &name)
{
    const QString target = CompileTarget(name);
    if (ConsoleSink *console = m_host.Console()) {
        console->ConsolePrint(QStringLiteral("filename = [[") + target + QStringLiteral("]]"),
                              ConsoleKind::Command);
        console->ConsolePrint(QStringLiteral("dofile 'compile.lua'"), ConsoleKind::Command);
    }
    QString path = name;
    path.chop(ProjectWriter::Extension(path).size());
    m_host.RunBytes(PathAssignment("filename", path + QStringLiteral(".lua"))
                    + "; dofile 'compile.lua'");
}
