#pragma once

#include "project/projectcommands.h"
#include "widgets/windowlinks.h"

#include <QMainWindow>

#include <memory>

class Asker;
class Autosave;
class QAction;
class QPlainTextEdit;
class ScriptHost;
class TAboutWin;
class TConsoleWin;
class TErrorsWin;
class THelpWin;
class TItemsWin;
class TMapWin;
class TPropertiesWin;
class TToolWin;
class TVocabularyWin;
class RunGuardDialog;
class WalkthroughRunner;

// The main window: owns the script state for the whole run, builds the windows in their order,
// docks the tool windows, and holds the menus and the close question.
class TMainWin : public QMainWindow, public ProjectWorkbench, public TreeWorkbench
{
    Q_OBJECT

public:
    explicit TMainWin(QWidget *parent = nullptr);
    ~TMainWin() override;

    ScriptHost &Host() const { return *m_host; }
    QString CurrentProjectFile() const override { return m_currentProjectFile; }
    void SetCurrentProjectFile(const QString &file) override;
    // Ends an edit open in the properties window, so its write-back runs now.
    void EndPropertyEdit() override;
    void RefreshTree() override;
    ProjectNode TreeNodes() const override;
    ProjectNode SelectedTreeNode() const override;
    QString SelectedParentUid() const override;
    void FocusTree() override;
    void WorldReplaced() override;
    void WorldMatchesProject(const QString &writtenFile) override;
    // What the object tree asks: Copy, and the property list's selected entry.
    void CopySelectedSubtree() override;
    QString SelectedPropertyCaption() const override;
    ProjectCommands &Project() const { return *m_project; }
    WalkthroughRunner &Walkthrough() const { return *m_walkthrough; }
    Autosave &Recovery() const { return *m_autosave; }
    // Keeps recovery copies of unsaved work in the author's data folder, and offers those a
    // crashed run left there. The program starts it once its window is shown.
    void StartRecovery();

    // Replaces the asker of the close question (tests answer it themselves).
    void SetAsker(Asker *asker);

    TConsoleWin *Console() const { return m_console; }
    TMapWin *Map() const { return m_map; }
    TErrorsWin *Errors() const { return m_errors; }
    TItemsWin *Items() const { return m_items; }
    TPropertiesWin *Properties() const { return m_properties; }
    TVocabularyWin *Vocabulary() const { return m_vocabulary; }
    THelpWin *HelpWin() const { return m_help; }
    TAboutWin *AboutWin() const { return m_about; }
    QPlainTextEdit *HelpKeeper() const { return m_helpKeeper; }
    // The tool windows by view tag: console, vocabulary, tree, properties, errors, map.
    QList<TToolWin *> ToolWindows() const;
    // The View menu item of the tool window with that tag.
    QAction *ViewItem(int tag) const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateWindows();
    void CreateMenus();
    void DockToolWindows();
    void FirstShow();
    bool BelongsHere(QWidget *widget) const;

    std::unique_ptr<ScriptHost> m_host;
    std::unique_ptr<Asker> m_defaultAsker;
    std::unique_ptr<ProjectCommands> m_project;
    std::unique_ptr<WalkthroughRunner> m_walkthrough;
    Autosave *m_autosave = nullptr;
    Asker *m_asker = nullptr;
    QString m_currentProjectFile;
    RunGuardDialog *m_runGuard = nullptr;
    QPlainTextEdit *m_helpKeeper = nullptr;
    TMapWin *m_map = nullptr;
    TConsoleWin *m_console = nullptr;
    TErrorsWin *m_errors = nullptr;
    TPropertiesWin *m_properties = nullptr;
    TItemsWin *m_items = nullptr;
    TVocabularyWin *m_vocabulary = nullptr;
    TAboutWin *m_about = nullptr;
    THelpWin *m_help = nullptr;
    QList<QAction *> m_viewItems;
    bool m_shown = false;
};
