#include "app/mainwin.h"

#include "app/aboutwin.h"
#include "app/autosave.h"
#include "app/runguarddialog.h"
#include "console/consolewin.h"
#include "errors/errorswin.h"
#include "help/helpsource.h"
#include "help/helpwin.h"
#include "map/mapwin.h"
#include "play/walkthroughrunner.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tree/itemstree.h"
#include "tree/itemswin.h"
#include "vocabulary/vocabularywin.h"
#include "widgets/asker.h"
#include "widgets/dragcursors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTreeWidget>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>

namespace {

const char *const kTitlePrefix = "IF builder 'Tarnwick' - ";

QAction *AddItem(QMenu *menu, const QString &name, const QString &caption,
                 const QKeySequence &shortcut = QKeySequence())
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(name);
    item->setShortcut(shortcut);
    return item;
}

QAction *AddSeparator(QMenu *menu, const QString &name)
{
    QAction *line = menu->addSeparator();
    line->setObjectName(name);
    return line;
}

} // namespace

TMainWin::TMainWin(QWidget *parent)
    : QMainWindow(parent),
      m_host(std::make_unique<ScriptHost>()),
      m_defaultAsker(std::make_unique<MessageBoxAsker>()),
      m_asker(m_defaultAsker.get())
{
    setObjectName(QStringLiteral("TMainWin"));
    DragCursors::Load();
    m_runGuard = new RunGuardDialog(this);
    m_host->SetRunGuard(m_runGuard);
    SetCurrentProjectFile(ProjectCommands::NewProjectName());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks
                   | QMainWindow::AllowTabbedDocks);
    setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::BottomDockWidgetArea);

    m_helpKeeper = new QPlainTextEdit(this);
    m_helpKeeper->setObjectName(QStringLiteral("HelpKeeper"));
    m_helpKeeper->setVisible(false);
    m_helpKeeper->setPlainText(HelpSource::Text());

    CreateWindows();
    m_project = std::make_unique<ProjectCommands>(*m_host, *this, *m_asker, this);
    m_walkthrough = std::make_unique<WalkthroughRunner>(*m_host, QDir::currentPath());
    m_walkthrough->SetRunGuard(m_runGuard);
    m_walkthrough->SetBaseFolder([this] { return QFileInfo(m_currentProjectFile).absolutePath(); });
    m_walkthrough->RegisterFunctions();
    m_autosave = new Autosave(*this);
    m_autosave->SetAsker(m_asker);
    CreateMenus();
    DockToolWindows();
    qApp->installEventFilter(this);
}

TMainWin::~TMainWin()
{
    // An edit left open writes back now, as it does on closing, while the script state lives;
    // hiding the window later would take the focus from it once the state is gone.
    hide();
    qApp->removeEventFilter(this);
    EndPropertyEdit();
    // The script state closes first (with the members); nothing it runs then may reach a window.
    m_host->SetConsole(nullptr);
    m_host->SetItems(nullptr);
    m_host->SetMap(nullptr);
    m_host->SetRunGuard(nullptr);
    // Nor may a window reach the state: the tool windows go now, before the main window closes
    // as it goes, which would take the focus from a field that then writes its edit back.
    const QList<TToolWin *> windows = ToolWindows();
    qDeleteAll(windows);
}

void TMainWin::SetCurrentProjectFile(const QString &file)
{
    m_currentProjectFile = file;
    setWindowTitle(QString::fromLatin1(kTitlePrefix) + file);
}

void TMainWin::SetAsker(Asker *asker)
{
    m_asker = asker ? asker : m_defaultAsker.get();
    m_properties->SetAsker(m_asker);
    m_project->SetAsker(*m_asker);
    m_autosave->SetAsker(m_asker);
    m_items->SetAsker(m_asker);
    m_vocabulary->SetAsker(m_asker);
}

// In the start-up order; each tool window does its first-show work as soon as it exists.
void TMainWin::CreateWindows()
{
    m_map = new TMapWin(*m_host, this);
    m_host->SetMap(m_map);
    m_console = new TConsoleWin(*m_host, this);
    m_host->SetConsole(m_console);
    m_console->Start();
    m_errors = new TErrorsWin(*m_host, this);
    m_properties = new TPropertiesWin(*m_host, this);
    m_properties->SetAsker(m_asker);
    m_items = new TItemsWin(*m_host, this);
    m_items->SetObjectView(m_properties);
    m_items->SetAsker(m_asker);
    m_items->SetWorkbench(this);
    m_properties->SetSelection(m_items);
    m_host->SetItems(m_items);
    m_map->SetTree([this] { return m_items->SelectedUid(); },
                   [this] { return int(m_items->SelectedNames().size()); });
    m_items->UpdateItems(QStringLiteral("player"));
    m_vocabulary = new TVocabularyWin(*m_host, this);
    m_vocabulary->SetAsker(m_asker);
    m_vocabulary->Start();
    m_properties->SetVocabulary(m_vocabulary);
    m_about = new TAboutWin(this);
    m_help = new THelpWin(*m_host, this);
}

QList<TToolWin *> TMainWin::ToolWindows() const
{
    return {m_console, m_vocabulary, m_items, m_properties, m_errors, m_map};
}

QAction *TMainWin::ViewItem(int tag) const
{
    return m_viewItems.value(tag);
}

void TMainWin::CreateMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setAccessibleName(QStringLiteral("MainMenu1"));

    QMenu *file = bar->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("File1"));
    ProjectCommands *project = m_project.get();
    connect(AddItem(file, QStringLiteral("N13"), QStringLiteral("&Новый")), &QAction::triggered,
            this, [project] { project->New(); });
    connect(AddItem(file, QStringLiteral("N1"), QStringLiteral("&Открыть"),
                    QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, [project] { project->Open(); });
    AddSeparator(file, QStringLiteral("N18"));
    connect(AddItem(file, QStringLiteral("N4"), QStringLiteral("&Сохранить"),
                    QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, [project] { project->Save(); });
    connect(AddItem(file, QStringLiteral("N8"), QStringLiteral("С&охранить как...")),
            &QAction::triggered, this, [project] { project->SaveAs(); });
    // A recovery copy first, with the edit that was open: compiling runs the author's code.
    connect(AddItem(file, QStringLiteral("N7"), QStringLiteral("&Компилить"),
                    QKeySequence(Qt::Key_F9)),
            &QAction::triggered, this, [this, project] {
                EndPropertyEdit();
                m_autosave->WriteNow();
                project->Compile();
            });
    connect(AddItem(file, QStringLiteral("N22"), QStringLiteral("&Прогнать прохождение…")),
            &QAction::triggered, this, [this] {
                // Walkthroughs lie beside the project they play.
                const QFileInfo project(m_currentProjectFile);
                QString name = project.isAbsolute() ? project.absolutePath() + QLatin1Char('/') : QString();
                if (m_asker->AskOpenFile(this, QStringLiteral("Прохождение|*.txt"), &name)) {
                    EndPropertyEdit();
                    m_walkthrough->Run(name);
                }
            });
    connect(AddItem(file, QStringLiteral("N23"), QStringLiteral("Пр&инять прохождение")),
            &QAction::triggered, this, [this] { m_walkthrough->Accept(); });
    AddSeparator(file, QStringLiteral("N6"));
    QAction *exit = AddItem(file, QStringLiteral("N5"), QStringLiteral("&Выход"));
    // Exit goes through the close question, so an unsaved project is never lost without asking.
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu *view = bar->addMenu(QStringLiteral("&Вид"));
    view->setObjectName(QStringLiteral("N3"));
    struct ViewEntry
    {
        const char *name;
        QString caption;
    };
    const ViewEntry entries[] = {
        {"N10", QStringLiteral("&Консоль")},          {"N12", QStringLiteral("&Словарь")},
        {"N9", QStringLiteral("&Дерево объектов")},   {"N11", QStringLiteral("&Свойства объекта")},
        {"N15", QStringLiteral("О&шибки")},           {"N19", QStringLiteral("К&арта")},
    };
    const QList<TToolWin *> windows = ToolWindows();
    for (int tag = 0; tag < windows.size(); ++tag) {
        // The dock's own toggle action follows every show, hide and close of its window.
        QAction *item = windows[tag]->toggleViewAction();
        item->setText(entries[tag].caption);
        item->setObjectName(QString::fromLatin1(entries[tag].name));
        item->setData(tag);
        m_viewItems.append(item);
        view->addAction(item);
    }
    AddSeparator(view, QStringLiteral("N20"))->setVisible(false);
    AddItem(view, QStringLiteral("N21"), QStringLiteral("Со&хранить положение окон"))->setVisible(false);

    QMenu *help = bar->addMenu(QStringLiteral("&Помощь"));
    help->setObjectName(QStringLiteral("N2"));
    QAction *helpItem = AddItem(help, QStringLiteral("N17"), QStringLiteral("Справка"), QKeySequence(Qt::Key_F1));
    connect(helpItem, &QAction::triggered, m_help, &THelpWin::ShowCentred);
    AddSeparator(help, QStringLiteral("N16"));
    QAction *about = AddItem(help, QStringLiteral("N14"), QStringLiteral("О программе"));
    connect(about, &QAction::triggered, m_about, &TAboutWin::ShowCentred);
}

void TMainWin::DockToolWindows()
{
    addDockWidget(Qt::LeftDockWidgetArea, m_items);
    addDockWidget(Qt::RightDockWidgetArea, m_properties);
    addDockWidget(Qt::BottomDockWidgetArea, m_vocabulary);
    splitDockWidget(m_vocabulary, m_errors, Qt::Horizontal);
    splitDockWidget(m_errors, m_console, Qt::Vertical);
    splitDockWidget(m_items, m_map, Qt::Vertical);
}

void TMainWin::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FirstShow();
    }
}

void TMainWin::FirstShow()
{
    // Without a window manager the maximised state is not honoured; the screen's size is.
    if (QScreen *screen = this->screen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    resizeDocks({m_items, m_properties}, {m_items->DesignSize().width(), m_properties->DesignSize().width()},
                Qt::Horizontal);
    resizeDocks({m_items, m_vocabulary}, {m_items->DesignSize().height(), m_vocabulary->DesignSize().height()},
                Qt::Vertical);
    resizeDocks({m_vocabulary, m_console}, {m_vocabulary->DesignSize().width(), m_console->DesignSize().width()},
                Qt::Horizontal);
    resizeDocks({m_errors, m_console}, {m_errors->DesignSize().height(), m_console->DesignSize().height()},
                Qt::Vertical);
    m_map->close();
    m_host->RunLua(m_helpKeeper->toPlainText());
    m_console->setFocus();
}

void TMainWin::EndPropertyEdit()
{
    if (m_properties->isVisible())
        m_properties->FinishEdits();
    m_errors->FinishEdit();
}

void TMainWin::CopySelectedSubtree()
{
    m_project->CopySelectedToClipboard();
}

QString TMainWin::SelectedPropertyCaption() const
{
    const QList<QTreeWidgetItem *> selected = m_properties->PropNames()->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text(0);
}

void TMainWin::RefreshTree()
{
    m_items->UpdateItems(m_items->SelectedUid());
}

namespace {

ProjectNode NodeOf(const QTreeWidgetItem *item)
{
    ProjectNode node{item->text(0), {}};
    node.children.reserve(size_t(item->childCount()));
    for (int i = 0; i < item->childCount(); ++i)
        node.children.push_back(NodeOf(item->child(i)));
    return node;
}

} // namespace

ProjectNode TMainWin::TreeNodes() const
{
    const QTreeWidgetItem *root = m_items->Root();
    return root ? NodeOf(root) : ProjectNode{QStringLiteral("world"), {}};
}

ProjectNode TMainWin::SelectedTreeNode() const
{
    const QTreeWidgetItem *node = m_items->SelectedNode();
    return node ? NodeOf(node) : ProjectNode();
}

QString TMainWin::SelectedParentUid() const
{
    return m_items->SelectedParentUid();
}

void TMainWin::FocusTree()
{
    m_items->Items()->setFocus();
    // The focus moves for real only in an active window; the edits end either way.
    EndPropertyEdit();
}

void TMainWin::WorldReplaced()
{
    m_errors->WorldReplaced();
    m_properties->RebuildDataTree(m_items->SelectedUid());
}

void TMainWin::WorldMatchesProject(const QString &writtenFile)
{
    m_autosave->WorldMatchesProject(writtenFile);
}

void TMainWin::StartRecovery()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!data.isEmpty())
        m_autosave->Start(QDir(data).filePath(QStringLiteral("recovery")));
}

void TMainWin::closeEvent(QCloseEvent *event)
{
    const QMessageBox::StandardButton answer = m_asker->Question(
        this, QStringLiteral("Выход"), QStringLiteral("Вы хотите сохранить проект?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton) {
        event->ignore();
        return;
    }
    // A save that did not happen (Save As cancelled, or the file could not be written) keeps
    // the program open, so nothing is lost.
    if (answer == QMessageBox::Yes && !m_project->Save()) {
        event->ignore();
        return;
    }
    event->accept();
    m_autosave->CleanExit();
    m_help->close();
    m_about->close();
}

// An editor opened inside a list or tree (a label being renamed) takes Escape as "cancel".
static bool IsItemEditor(QWidget *widget)
{
    for (QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (auto *view = qobject_cast<QAbstractItemView *>(w))
            return widget != view->viewport();
    }
    return false;
}

bool TMainWin::BelongsHere(QWidget *widget) const
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == this)
            return widget->window() == this || qobject_cast<QDockWidget *>(widget->window());
    }
    return false;
}

// Escape typed anywhere in the main window or a window docked in it asks to close.
bool TMainWin::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && watched->isWidgetType() && BelongsHere(static_cast<QWidget *>(watched))
        && !IsItemEditor(static_cast<QWidget *>(watched))) {
        close();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
