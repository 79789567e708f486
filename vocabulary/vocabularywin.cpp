#include "vocabulary/vocabularywin.h"

#include "script/codepage.h"
#include "script/scripthost.h"
#include "vocabulary/vocabularyblock.h"
#include "vocabulary/vocabularygrid.h"
#include "vocabulary/vocabularytable.h"
#include "widgets/asker.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

struct TabEntry
{
    const char *caption;
    const char *file;
};

const TabEntry kTabs[] = {
    {"Действия", "verbs.lua"},
    {"Имена", "nouns.lua"},
    {"Предлоги", "prepositions.lua"},
};

constexpr int kSearchWidth = 82;

QString NotApplied(const QString &reason)
{
    return QStringLiteral("Словарь не применен: ") + reason;
}

// The rows of a file as text. The code page is crossed once for all of them: words hold no
// spaces and rows no line breaks, so the text splits back into the same rows.
QList<QStringList> DecodedRows(const QList<VocabularyBlock::Row> &rows)
{
    if (rows.isEmpty())
        return {};
    QByteArrayList lines;
    lines.reserve(rows.size());
    for (const VocabularyBlock::Row &row : rows)
        lines.append(row.join(' '));
    QList<QStringList> decoded;
    decoded.reserve(rows.size());
    for (const QString &line : CodePage::FromLua(lines.join('\n')).split(QLatin1Char('\n')))
        decoded.append(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    return decoded.size() == rows.size() ? decoded : QList<QStringList>();
}

// The rows as bytes for the file, the same way round; why they cannot be written, if they cannot.
QString EncodedRows(const QList<QStringList> &rows, QList<VocabularyBlock::Row> *encoded)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const QStringList &row : rows) {
        for (const QString &word : row) {
            if (word.contains(QLatin1Char('\n')) || word.contains(QLatin1Char('\r')))
                return VocabularyTable::WordProblem(word);
        }
        lines.append(row.join(QLatin1Char(' ')));
    }
    const QString text = lines.join(QLatin1Char('\n'));
    const QByteArray bytes = CodePage::ToLua(text);
    if (CodePage::FromLua(bytes) != text) {
        for (const QStringList &row : rows) {
            for (const QString &word : row) {
                const QString problem = VocabularyTable::WordProblem(word);
                if (!problem.isEmpty())
                    return problem;
            }
        }
    }
    encoded->clear();
    if (rows.isEmpty())
        return QString();
    for (const QByteArray &line : bytes.split('\n')) {
        const VocabularyBlock::Row row = line.split(' ');
        const QString problem = VocabularyBlock::RowProblem(row);
        if (!problem.isEmpty())
            return problem;
        encoded->append(row);
    }
    return QString();
}

} // namespace

TVocabularyWin::TVocabularyWin(ScriptHost &host, QWidget *parent)
    : TToolWin(QStringLiteral("Словарь"), QStringLiteral("TVocabularyWin"), QSize(696, 480), parent),
      m_host(host), m_defaultAsker(std::make_unique<MessageBoxAsker>()),
      m_asker(m_defaultAsker.get())
{
    CreateWidgets();
    CreatePopupMenu1();
}

TVocabularyWin::~TVocabularyWin()
{
    // The grid outlives this part of the object; its last signals must not reach the handlers.
    m_vocabulary->disconnect(this);
    m_table->disconnect(this);
}

void TVocabularyWin::CreateWidgets()
{
    m_vocabularyTab = new QTabBar;
    m_vocabularyTab->setObjectName(QStringLiteral("VocabularyTab"));
    m_vocabularyTab->setAccessibleName(QStringLiteral("VocabularyTab"));
    m_vocabularyTab->setExpanding(false);
    for (const TabEntry &tab : kTabs)
        m_vocabularyTab->addTab(QString::fromUtf8(tab.caption));
    connect(m_vocabularyTab, &QTabBar::currentChanged, this, &TVocabularyWin::VocabularyTabChange);

    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("Search"));
    m_search->setAccessibleName(QStringLiteral("Search"));
    m_search->setFixedWidth(kSearchWidth);
    // Only the author's typing searches; the window's own writes show the selected key word.
    connect(m_search, &QLineEdit::textEdited, this, &TVocabularyWin::SearchChange);

    m_accept = new QPushButton(QStringLiteral("Применить"));
    m_accept->setObjectName(QStringLiteral("Accept"));
    m_accept->setEnabled(false);
    m_accept->setAutoDefault(false);
    connect(m_accept, &QPushButton::clicked, this, &TVocabularyWin::N3Click);

    m_table = new VocabularyTable;
    m_vocabulary = new VocabularyGrid(m_table);
    // The grid owns its table, so the table outlives every view of it.
    m_table->setParent(m_vocabulary);
    connect(m_table, &VocabularyTable::Edited, this, [this] { SetUnapplied(true); });
    // A refused word is told once the editor has closed, not from inside its commit.
    connect(m_table, &VocabularyTable::Refused, this,
            [this](const QString &message) {
                m_asker->ShowError(this, QStringLiteral("Предупреждение"), message);
            },
            Qt::QueuedConnection);
    connect(m_vocabulary, &VocabularyGrid::CellSelected, this, &TVocabularyWin::VocabularySelectCell);
    connect(m_vocabulary, &VocabularyGrid::DeletePressed, this, &TVocabularyWin::N1Click);

    auto *client = new SizedClient(DesignSize());
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *strip = new QHBoxLayout;
    strip->addWidget(m_vocabularyTab);
    strip->addStretch(1);
    strip->addWidget(m_search);
    strip->addWidget(m_accept);
    layout->addLayout(strip);
    layout->addWidget(m_vocabulary, 1);
    SetClient(client);

    setTabOrder(m_vocabulary, m_search);
    setTabOrder(m_search, m_accept);
    setFocusProxy(m_vocabulary);
}

void TVocabularyWin::CreatePopupMenu1()
{
    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu1->setAccessibleName(QStringLiteral("PopupMenu1"));
    // The grid takes Delete itself (only while no cell is edited); the menu shows the key.
    QAction *remove = m_popupMenu1->addAction(QStringLiteral("Удалить"));
    remove->setObjectName(QStringLiteral("N1"));
    remove->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(remove, &QAction::triggered, this, &TVocabularyWin::N1Click);
    m_popupMenu1->addSeparator()->setObjectName(QStringLiteral("N2"));
    QAction *apply = m_popupMenu1->addAction(QStringLiteral("Применить"));
    apply->setObjectName(QStringLiteral("N3"));
    connect(apply, &QAction::triggered, this, &TVocabularyWin::N3Click);
    connect(m_vocabulary, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_popupMenu1->popup(m_vocabulary->viewport()->mapToGlobal(at));
    });
}

void TVocabularyWin::SetAsker(Asker *asker)
{
    m_asker = asker ? asker : m_defaultAsker.get();
}

void TVocabularyWin::Start()
{
    if (m_started)
        return;
    m_started = true;
    Load();
}

void TVocabularyWin::showEvent(QShowEvent *event)
{
    TToolWin::showEvent(event);
    Start();
}

QString TVocabularyWin::FileOfTab(int tab)
{
    return QString::fromLatin1(kTabs[qBound(0, tab, 2)].file);
}

int TVocabularyWin::TabIndex() const
{
    return m_vocabularyTab->currentIndex();
}

bool TVocabularyWin::IsGridDrag(const QMimeData *data) const
{
    return m_vocabulary->IsOwnDrag(data);
}

QString TVocabularyWin::DraggedKeyWord() const
{
    const QModelIndex source = m_vocabulary->DragSource();
    return source.isValid() ? m_table->Cell(0, source.row()) : QString();
}

void TVocabularyWin::SetUnapplied(bool unapplied)
{
    m_unapplied = unapplied;
    m_accept->setEnabled(unapplied);
}

void TVocabularyWin::ReportError(const QString &text)
{
    if (ConsoleSink *console = m_host.Console())
        console->ConsolePrint(text, ConsoleKind::Error);
}

void TVocabularyWin::Load()
{
    m_vocabulary->EndEditing();
    SetUnapplied(false);
    m_loadedTab = -1;
    const int tab = TabIndex();
    const QString file = FileOfTab(tab);
    QList<QStringList> rows;
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        ReportError(QStringLiteral("Не удалось прочитать файл словаря %1: %2")
                        .arg(file, source.errorString()));
    } else {
        const VocabularyBlock block = VocabularyBlock::Read(source.readAll());
        if (!block.Found()) {
            ReportError(QStringLiteral("В файле словаря %1 нет блока слов между строками "
                                       "«-- vocabulary» и «-- /vocabulary»")
                            .arg(file));
        } else {
            m_loadedTab = tab;
            rows = DecodedRows(block.Rows());
        }
    }
    m_table->Load(rows);
    m_vocabulary->Place(m_table->index(0, 0));
    m_search->setText(m_table->Cell(0, 0));
    SearchChange(m_search->text());
}

bool TVocabularyWin::Apply()
{
    m_vocabulary->EndEditing();
    // The grid goes only into the file it was read from, whatever tab is shown now.
    if (m_loadedTab < 0) {
        ReportError(NotApplied(QStringLiteral("слова не были прочитаны из файла %1, и записать "
                                              "их в него нельзя")
                                   .arg(FileOfTab(TabIndex()))));
        return false;
    }
    const QString file = FileOfTab(m_loadedTab);
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        ReportError(NotApplied(QStringLiteral("не удалось прочитать файл %1: %2")
                                   .arg(file, source.errorString())));
        return false;
    }
    const QByteArray old = source.readAll();
    source.close();
    const VocabularyBlock block = VocabularyBlock::Read(old);
    if (!block.Found()) {
        ReportError(NotApplied(QStringLiteral("в файле %1 больше нет блока слов между строками "
                                              "«-- vocabulary» и «-- /vocabulary»")
                                   .arg(file)));
        return false;
    }
    QList<VocabularyBlock::Row> rows;
    const QString problem = EncodedRows(m_table->WrittenRows(), &rows);
    if (!problem.isEmpty()) {
        ReportError(NotApplied(problem));
        return false;
    }
    const QByteArray written = block.Written(rows);
    if (written != old) {
        // A new file beside the old one takes its place only once it is whole.
        QSaveFile target(file);
        if (!target.open(QIODevice::WriteOnly) || target.write(written) != written.size()
            || !target.commit()) {
            ReportError(NotApplied(QStringLiteral("не удалось записать файл %1: %2")
                                       .arg(file, target.errorString())));
            return false;
        }
    }
    const QString run = QStringLiteral("dofile '") + file + QLatin1Char('\'');
    if (ConsoleSink *console = m_host.Console()) {
        console->ConsolePrint(run, ConsoleKind::Command);
        console->ConsolePrint(file.chopped(4) + QStringLiteral(":check()"), ConsoleKind::Command);
    }
    // The file's own last line checks the words it has put in force.
    m_host.RunLua(run);
    SetUnapplied(false);
    return true;
}

void TVocabularyWin::N1Click()
{
    m_vocabulary->EndEditing();
    const QModelIndex cell = m_vocabulary->currentIndex();
    if (!cell.isValid())
        return;
    m_vocabulary->Place(m_table->DeleteCell(cell));
}

void TVocabularyWin::N3Click()
{
    Apply();
}

void TVocabularyWin::VocabularyTabChange(int tab)
{
    const int left = m_shownTab;
    m_vocabulary->EndEditing();
    if (m_unapplied) {
        const QMessageBox::StandardButton answer = m_asker->Warning(
            this, QStringLiteral("Предупреждение"),
            QStringLiteral("Вы изменили словарь и не применили изменения. Применить?"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        // Edits that could not be written keep the tab, so they are not lost unasked.
        if (answer != QMessageBox::No && (answer != QMessageBox::Yes || !Apply())) {
            const QSignalBlocker blocker(m_vocabularyTab);
            m_vocabularyTab->setCurrentIndex(left);
            return;
        }
    }
    m_shownTab = tab;
    Load();
}

void TVocabularyWin::SearchChange(const QString &text)
{
    const int row = m_table->FindRow(text);
    if (row < 0)
        return;
    const QModelIndex cell = m_table->index(row, 0);
    if (!m_vocabulary->Select(cell))
        m_vocabulary->Place(cell);
    // The search text becomes the key word also when the row was selected already.
    VocabularySelectCell(m_vocabulary->currentIndex());
    m_search->setFocus();
    m_search->deselect();
    m_search->end(false);
}

void TVocabularyWin::VocabularySelectCell(const QModelIndex &cell)
{
    m_search->setText(m_table->Cell(0, cell.row()));
}
