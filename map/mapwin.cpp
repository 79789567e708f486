#include "map/mapwin.h"

#include "script/scripthost.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The page box's list is changed by the engine, which keeps the edit line's text; the combo
// box itself would take the first name into it, or clear it.
class EditTextKeeper
{
public:
    explicit EditTextKeeper(QComboBox *box) : m_box(box), m_quiet(box), m_text(box->currentText()) {}
    ~EditTextKeeper()
    {
        if (m_box->currentText() != m_text)
            m_box->setEditText(m_text);
    }
    EditTextKeeper(const EditTextKeeper &) = delete;
    EditTextKeeper &operator=(const EditTextKeeper &) = delete;

private:
    QComboBox *m_box;
    QSignalBlocker m_quiet;
    QString m_text;
};

} // namespace

TMapWin::TMapWin(ScriptHost &host, QWidget *parent)
    : TToolWin(QStringLiteral("Карта"), QStringLiteral("TMapWin"), QSize(544, 375), parent),
      m_calls(host)
{
    m_label1 = new QLabel(QStringLiteral("&Страницы:"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_mapPages = new QComboBox;
    m_mapPages->setObjectName(QStringLiteral("MapPages"));
    m_mapPages->setEditable(true);
    m_mapPages->setInsertPolicy(QComboBox::NoInsert);
    // Completion would turn the name being typed into a page name already there.
    m_mapPages->setCompleter(nullptr);
    m_mapPages->setMinimumWidth(120);
    m_label1->setBuddy(m_mapPages);
    m_mapPages->installEventFilter(this);
    m_mapPages->lineEdit()->installEventFilter(this);
    m_bitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogAbortButton),
                                QStringLiteral("Удалить страницу"));
    m_bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    m_bitBtn1->setMinimumSize(125, 25);
    m_bitBtn1->setEnabled(false);
    m_map = new TMapSurface;
    m_map->SetHandler(this);

    auto *client = new QWidget;
    auto *top = new QHBoxLayout;
    top->setContentsMargins(8, 2, 11, 0);
    top->addWidget(m_label1);
    top->addWidget(m_mapPages, 1);
    top->addWidget(m_bitBtn1);
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(top);
    column->addWidget(m_map, 1);
    SetClient(client);
    setFocusProxy(m_map);

    connect(m_mapPages, &QComboBox::activated, this, &TMapWin::MapPagesChoose);
    connect(m_mapPages, &QComboBox::editTextChanged, this, &TMapWin::MapPagesChange);
    connect(m_bitBtn1, &QPushButton::clicked, this, &TMapWin::BitBtn1Click);
}

void TMapWin::SetTree(std::function<QString()> selectedUid, std::function<int()> markedCount)
{
    m_selectedUid = std::move(selectedUid);
    m_markedCount = std::move(markedCount);
}

QStringList TMapWin::PageNames() const
{
    QStringList names;
    for (int i = 0; i < m_mapPages->count(); ++i)
        names.append(m_mapPages->itemText(i));
    return names;
}

void TMapWin::DrawLine(const QString &a, const QString &b)
{
    m_map->DrawLine(a, b);
}

void TMapWin::ClearPagesList()
{
    {
        const EditTextKeeper keeper(m_mapPages);
        m_mapPages->clear();
    }
    MapPagesChange();
}

void TMapWin::AddMapPage(const QString &name)
{
    {
        const EditTextKeeper keeper(m_mapPages);
        m_mapPages->addItem(name);
    }
    MapPagesChange();
}

void TMapWin::WritePageName(const QString &text)
{
    // The list's own choice follows the name, so the arrow keys go on from the page shown.
    const int index = PageNames().indexOf(text);
    if (index >= 0) {
        const QSignalBlocker quiet(m_mapPages);
        m_mapPages->setCurrentIndex(index);
    }
    m_mapPages->setEditText(text);
    MapPagesChange();
}

void TMapWin::ClearPageItems()
{
    m_map->ClearIcons();
}

int TMapWin::PageItemsCount() const
{
    return m_map->Icons().Count();
}

bool TMapWin::PageItem(int index, QString *caption, int *x, int *y) const
{
    if (index < 1 || index > m_map->Icons().Count())
        return false;
    const MapIcon &icon = m_map->Icons().At(index - 1);
    *caption = icon.caption;
    *x = icon.position.x();
    *y = icon.position.y();
    return true;
}

void TMapWin::AddPageItem(const QString &caption, int x, int y)
{
    m_map->AddIcon(caption, QPoint(x, y));
}

void TMapWin::MapPagesEnter()
{
    const QString text = m_mapPages->currentText();
    if (PageRules::EnterAdds(PageNames(), text)) {
        AddMapPage(text);
        m_calls.Run(MapStatements::AddPage(text));
        m_calls.Run(MapStatements::Select(m_mapPages->count()));
    }
    MapPagesChange();
}

void TMapWin::MapPagesChoose(int)
{
    const int k = PageNames().indexOf(m_mapPages->currentText());
    if (k >= 0)
        m_calls.Run(MapStatements::Select(k + 1));
}

void TMapWin::MapPagesChange()
{
    m_bitBtn1->setEnabled(PageRules::CanDelete(PageNames(), m_mapPages->currentText()));
}

void TMapWin::BitBtn1Click()
{
    const int k = PageNames().indexOf(m_mapPages->currentText());
    if (k >= 1)
        m_calls.Run(MapStatements::DeletePage(k + 1));
    MapPagesChange();
}

void TMapWin::MapPrePaint()
{
    m_calls.Run(MapStatements::Draw());
}

bool TMapWin::MapDragOver(QObject *source)
{
    if (!source)
        return false;
    if (source->objectName() == QLatin1String("Items"))
        return m_markedCount && m_markedCount() < 2;
    return source == m_map;
}

void TMapWin::MapDragDrop(QObject *source, QPoint windowPoint)
{
    const bool fromTree = source != m_map;
    const int under = m_map->IconAt(windowPoint);
    if (under >= 0 && !fromTree) {
        const int dragged = m_map->Icons().IndexOf(m_map->Dragged());
        if (dragged >= 0) {
            m_calls.Run(MapStatements::Connect(m_map->Icons().At(dragged).caption,
                                               m_map->Icons().At(under).caption));
        }
        m_map->viewport()->update();
        return;
    }
    const QPoint at = MapGrid::Snap(MapGrid::ToMap(windowPoint, m_map->Origin()));
    if (fromTree) {
        const QString uid = m_selectedUid ? m_selectedUid() : QString();
        if (!uid.isEmpty()) {
            m_map->AddIcon(uid, at);
            m_calls.Run(MapStatements::Add(uid));
        }
    } else {
        m_map->MoveIcon(m_map->Dragged(), at);
    }
    m_map->viewport()->update();
}

void TMapWin::MapDelete()
{
    const int selected = m_map->Selected();
    const int index = m_map->Icons().IndexOf(selected);
    if (index < 0)
        return;
    m_calls.Run(MapStatements::Delete(m_map->Icons().At(index).caption));
    m_map->RemoveIcon(selected);
    m_map->viewport()->update();
}

bool TMapWin::eventFilter(QObject *watched, QEvent *event)
{
    // Enter is answered here, before the combo box would choose the name it names.
    if ((watched == m_mapPages || watched == m_mapPages->lineEdit()) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            MapPagesEnter();
            return true;
        }
    }
    return TToolWin::eventFilter(watched, event);
}
