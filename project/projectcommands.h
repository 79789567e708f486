#pragma once

#include "project/projectwriter.h"

#include <QString>

class Asker;
class QWidget;
class ScriptHost;

// What the project commands need of the windows around them.
class ProjectWorkbench
{
public:
    virtual ~ProjectWorkbench() = default;
    virtual QString CurrentProjectFile() const = 0;
    virtual void SetCurrentProjectFile(const QString &file) = 0;
    // Ends an edit open in the properties window, so its text lands in the world first.
    virtual void EndPropertyEdit() = 0;
    // Rebuilds the object tree from the world, keeping the selected object.
    virtual void RefreshTree() = 0;
    // The object tree's nodes from the root, as the writer walks them.
    virtual ProjectNode TreeNodes() const = 0;
    // The selected node with its subtree, and the text of its parent node (empty for the root).
    virtual ProjectNode SelectedTreeNode() const = 0;
    virtual QString SelectedParentUid() const = 0;
    // Moves the keyboard focus to the object tree.
    virtual void FocusTree() = 0;
    // Shows the first parser message again and the selected object's data, after the world was
    // replaced.
    virtual void WorldReplaced() = 0;
    // The world now holds what its project file holds: after New, Open, and a save that wrote
    // writtenFile (empty for the other two).
    virtual void WorldMatchesProject(const QString &writtenFile) { Q_UNUSED(writtenFile) }
};

// The File menu's commands: New, Open, Save, Save As, Compile.
class ProjectCommands
{
public:
    ProjectCommands(ScriptHost &host, ProjectWorkbench &workbench, Asker &asker,
                    QWidget *dialogParent);

    void SetAsker(Asker &asker) { m_asker = &asker; }

    static QString NewProjectName();
    static QString FileFilter();

    void New();
    void Open();
    // True when the project was written (Save As may be cancelled).
    bool Save();
    bool SaveAs();
    void Compile();

    // The file name compile.lua is given for a project: backslashes doubled, extension replaced
    // by ".lua".
    static QString CompileTarget(const QString &projectName);
    void CompileProject(const QString &name);

    // Writes the project file (the extension rule applied), then lets postsave.lua add to it.
    // The file is replaced only once it is whole; false, with the author told why, when it
    // could not be written. The name "clipboard" copies the selected subtree instead.
    bool WriteProject(const QString &name);
    // Puts the statements that rebuild the selected subtree on the clipboard, followed by what
    // copynode.lua writes to temp.lua; false, with the clipboard left as it was, when that fails.
    bool CopySelectedToClipboard();

    // Opens the named project file: runs it as one chunk, then postload.lua, with the functions
    // that reach outside the world refused; then names those its sources use.
    void OpenFile(const QString &name);

    // The program's folder, where the engine scripts lie; made the current directory after the
    // commands that may have left it.
    void SetScriptFolder(const QString &folder);

private:
    void EnterScriptFolder() const;
    // `require` looks in the project's folder, then in the program's.
    void UpdateModuleFolders();
    // `variable = '...'` naming a file for Lua's io library: the path in the file system's own
    // encoding (not the script code page, or io.open would miss a folder with Cyrillic letters),
    // quoted so that any path reads back.
    QByteArray PathAssignment(const char *variable, const QString &path);

    ScriptHost &m_host;
    ProjectWorkbench &m_workbench;
    Asker *m_asker;
    QWidget *m_dialogParent;
    ProjectWriter m_writer;
    QString m_scriptFolder;
    QString m_saveDialogName;
};
