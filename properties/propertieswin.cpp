#include "properties/propertieswin.h"

#include "properties/dataview.h"
#include "properties/methodeditor.h"
#include "properties/propertyicons.h"
#include "properties/propertyreader.h"
#include "properties/propertystatements.h"
#include "script/luanames.h"
#include "script/scripthost.h"
#include "widgets/asker.h"

#include <QAction>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

namespace PS = PropertyStatements;

namespace {

constexpr int kListWidth = 152;

// The property list. An entry dragged onto the object tree copies that property to the object it
// is dropped on; the drag offers the tree's drop modes with their cursors, and the entry stays in
// the list whatever the tree does with it. One entry is always selected: a click beside the
// entries, or with Ctrl on the selected one, keeps it.
class PropertyList : public QTreeWidget
{
public:
    // Runs the drag of the selected entry (the data taken over) from the list.
    std::function<void(QWidget *source, QMimeData *data)> dragOntoTree;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override
    {
        if (!index.isValid() || (event && event->type() == QEvent::MouseButtonRelease))
            return QItemSelectionModel::NoUpdate;
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }

    void startDrag(Qt::DropActions supportedActions) override
    {
        Q_UNUSED(supportedActions)
        const QList<QTreeWidgetItem *> dragged = selectedItems();
        if (!dragged.isEmpty() && dragOntoTree)
            dragOntoTree(this, mimeData(dragged));
    }
};

QLabel *HeadingLabel(const QString &name)
{
    auto *label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TPropertiesWin::TPropertiesWin(ScriptHost &host, QWidget *parent)
    : TToolWin(QStringLiteral("Свойства объекта"), QStringLiteral("TPropertiesWin"), QSize(692, 476),
               parent),
      m_host(host), m_defaultAsker(std::make_unique<MessageBoxAsker>()),
      m_asker(m_defaultAsker.get()),
      m_imageList1(PropertyIcons::All())
{
    CreateWidgets();
    CreatePopupMenu1();
}

TPropertiesWin::~TPropertiesWin()
{
    // The children outlive this part of the object; their last signals (focus leaving as they
    // are deleted) must not reach handlers whose members are gone.
    m_method->disconnect(this);
    m_propNames->disconnect(this);
    m_objName->disconnect(this);
    m_objName->removeEventFilter(this);
    m_propNames->removeEventFilter(this);
    m_propNames->viewport()->removeEventFilter(this);
    delete m_dataView;
}

void TPropertiesWin::CreateWidgets()
{
    auto *label2 = new QLabel(QStringLiteral("Имя"));
    label2->setObjectName(QStringLiteral("Label2"));
    m_objName = new QLineEdit;
    m_objName->setObjectName(QStringLiteral("ObjName"));
    label2->setBuddy(m_objName);
    m_objName->installEventFilter(this);
    connect(m_objName, &QLineEdit::textEdited, this, [this] { ObjNameChange(PendingEdit::Field::Name); });
    connect(m_objName, &QLineEdit::returnPressed, this, &TPropertiesWin::ObjNameExit);

    auto *list = new PropertyList;
    list->dragOntoTree = [this](QWidget *source, QMimeData *data) {
        if (m_selection)
            m_selection->DragOntoTree(source, data);
        else
            delete data;
    };
    m_propNames = list;
    m_propNames->setObjectName(QStringLiteral("PropNames"));
    m_propNames->setAccessibleName(QStringLiteral("PropNames"));
    m_propNames->setColumnCount(1);
    m_propNames->setHeaderLabels({QStringLiteral("Свойства объекта")});
    m_propNames->header()->setSectionsClickable(false);
    m_propNames->header()->setStretchLastSection(true);
    m_propNames->setRootIsDecorated(false);
    m_propNames->setItemsExpandable(false);
    m_propNames->setUniformRowHeights(true);
    m_propNames->setIconSize(QSize(PropertyIcons::kSize, PropertyIcons::kSize));
    m_propNames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_propNames->setSelectionMode(QAbstractItemView::SingleSelection);
    m_propNames->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Entries are dragged onto the object tree, which copies the property; nothing is dropped here.
    m_propNames->setDragEnabled(true);
    m_propNames->setDragDropMode(QAbstractItemView::DragOnly);
    m_propNames->setDefaultDropAction(Qt::CopyAction);
    m_propNames->setAcceptDrops(false);
    // The selected entry must show while the author works in the editor.
    QPalette palette = m_propNames->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_propNames->setPalette(palette);
    m_propNames->setContextMenuPolicy(Qt::CustomContextMenu);
    m_propNames->installEventFilter(this);
    m_propNames->viewport()->installEventFilter(this);
    connect(m_propNames, &QTreeWidget::itemSelectionChanged, this,
            &TPropertiesWin::PropNamesSelectItem);

    m_begin = HeadingLabel(QStringLiteral("Begin"));
    m_method = new MethodEditor;
    connect(m_method, &MethodEditor::AuthorChanged, this, [this] { ObjNameChange(PendingEdit::Field::Code); });
    connect(m_method, &MethodEditor::Left, this, &TPropertiesWin::MethodExit);
    m_end = HeadingLabel(QStringLiteral("End"));

    // The data tree of the object and the field that edits one of its values.
    m_dataView = new DataView(m_host, this);
    m_dataView->SetAsker(m_asker);
    m_data = m_dataView->Data();
    m_field = m_dataView->Field();
    m_data->hide();
    m_field->hide();

    auto *right = new QWidget;
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(2);
    rightLayout->addWidget(m_begin);
    rightLayout->addWidget(m_method, 1);
    rightLayout->addWidget(m_end);
    rightLayout->addWidget(m_data, 1);
    rightLayout->addWidget(m_field);

    m_splitter1 = new QSplitter(Qt::Horizontal);
    m_splitter1->setObjectName(QStringLiteral("Splitter1"));
    m_splitter1->setAccessibleName(QStringLiteral("Splitter1"));
    m_splitter1->setChildrenCollapsible(false);
    m_splitter1->addWidget(m_propNames);
    m_splitter1->addWidget(right);
    m_splitter1->setStretchFactor(0, 0);
    m_splitter1->setStretchFactor(1, 1);
    m_splitter1->setSizes({kListWidth, DesignSize().width() - kListWidth});

    auto *client = new SizedClient(DesignSize());
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(2, 2, 2, 2);
    auto *strip = new QHBoxLayout;
    strip->addWidget(label2);
    strip->addWidget(m_objName, 1);
    layout->addLayout(strip);
    layout->addWidget(m_splitter1, 1);
    SetClient(client);

    setTabOrder(m_objName, m_propNames);
    setTabOrder(m_propNames, m_method);
    setFocusProxy(m_propNames);
}

void TPropertiesWin::CreatePopupMenu1()
{
    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu1->setAccessibleName(QStringLiteral("PopupMenu1"));
    // The list takes Delete and Insert itself (eventFilter); the menu shows the keys.
    const auto add = [this](const char *name, const QString &text, const QKeySequence &keys,
                            void (TPropertiesWin::*slot)()) {
        QAction *action = m_popupMenu1->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
    };
    add("N1", QStringLiteral("Удалить"), QKeySequence(Qt::Key_Delete), &TPropertiesWin::N1Click);
    add("N2", QStringLiteral("Добавить"), QKeySequence(Qt::Key_Insert), &TPropertiesWin::N2Click);
    m_popupMenu1->addSeparator();
    add("N10", QStringLiteral("Конструктор"), QKeySequence(), &TPropertiesWin::N10Click);
    add("N4", QStringLiteral("Отлавливатель"), QKeySequence(), &TPropertiesWin::N4Click);

    connect(m_propNames, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        PropNamesClick();
        m_popupMenu1->popup(m_propNames->viewport()->mapToGlobal(at));
    });
}

void TPropertiesWin::SetSelection(ObjectSelection *selection)
{
    m_selection = selection;
}

void TPropertiesWin::SetAsker(Asker *asker)
{
    m_asker = asker ? asker : m_defaultAsker.get();
    m_dataView->SetAsker(m_asker);
}

QString TPropertiesWin::SelectedUid() const
{
    return m_selection ? m_selection->SelectedUid() : QString();
}

QString TPropertiesWin::SelectedParentUid() const
{
    return m_selection ? m_selection->SelectedParentUid() : QString();
}

int TPropertiesWin::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_propNames->selectedItems();
    return selected.isEmpty() ? -1 : m_propNames->indexOfTopLevelItem(selected.first());
}

QString TPropertiesWin::SelectedCaption() const
{
    const int row = SelectedRow();
    return row < 0 ? QString() : m_propNames->topLevelItem(row)->text(0);
}

void TPropertiesWin::SelectRow(int row)
{
    if (QTreeWidgetItem *item = m_propNames->topLevelItem(row)) {
        m_propNames->setCurrentItem(item);
        item->setSelected(true);
    }
}

void TPropertiesWin::AddEntry(const QString &caption, int image)
{
    auto *item = new QTreeWidgetItem(m_propNames, {caption});
    item->setIcon(0, m_imageList1.at(image));
    item->setData(0, ImageRole, image);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
}

void TPropertiesWin::FinishEdits()
{
    if (m_method->hasFocus())
        m_method->clearFocus();
    if (m_objName->hasFocus())
        m_objName->clearFocus();
    m_dataView->FinishEdit();
}

void TPropertiesWin::ShowObjectProperties(const QString &uid)
{
    FinishEdits();
    if (m_selection)
        m_selection->WriteSearch(uid);
    m_listUid = uid;
    const PropertyReader::ObjectListing listing = PropertyReader::ReadObject(m_host.State(), uid);
    {
        // The entry to show is chosen once the list is whole.
        const QScopedValueRollback<bool> filling(m_filling, true);
        m_propNames->clear();
        AddEntry(PS::DataCaption(), PS::DataImage);
        if (listing.exists) {
            m_objName->setText(listing.name);
            for (const QString &key : listing.keys)
                AddEntry(PS::CaptionOfKey(key), PS::ImageOfKey(key));
        }
    }
    if (listing.exists && listing.ideDataMissing)
        m_host.RunLua(PS::NewIdeDataStatement(uid));
    SelectRow(0);
    if (listing.exists && !listing.ideDataMissing)
        ShowProperty(uid, PS::DataCaption());
}

void TPropertiesWin::ShowProperty(const QString &uid, const QString &caption)
{
    m_listUid = uid;
    if (caption == PS::DataCaption()) {
        m_shown = {uid, caption};
        m_dataView->RebuildDataTree(uid);
        return;
    }
    // Text typed but not yet written back must not be replaced unseen.
    FinishCodeEdit();
    const PropertyReader::Source source =
        PropertyReader::ReadSource(m_host.State(), uid, PS::KeyOfCaption(caption));
    m_shown = {uid, caption};
    // An object that is gone leaves nothing in the editor to be typed into, and no heading of
    // another property over it.
    m_method->setReadOnly(!source.exists);
    m_method->LoadText(source.text);
    m_begin->setText(source.exists
                         ? PS::BeginHeading(uid, caption, SelectedParentUid(), m_objName->text())
                         : QString());
    m_end->setText(source.exists ? PS::EndHeading(caption) : QString());
    m_method->ColourKeywords();
}

void TPropertiesWin::ShowObject(const QString &uid)
{
    ShowObjectProperties(uid);
    ShowProperty(uid, PS::DataCaption());
}

void TPropertiesWin::RebuildDataTree(const QString &uid)
{
    m_dataView->RebuildDataTree(uid);
}

void TPropertiesWin::SelectProperty(const QString &caption)
{
    for (int row = 0; row < m_propNames->topLevelItemCount(); ++row) {
        if (m_propNames->topLevelItem(row)->text(0) == caption) {
            // Selecting it shows it, unless it was selected already.
            SelectRow(row);
            if (m_shown.uid != m_listUid || m_shown.caption != caption)
                ShowProperty(m_listUid, caption);
            return;
        }
    }
}

void TPropertiesWin::PropNamesClick()
{
    if (m_propNames->topLevelItemCount() == 0)
        return;
    if (SelectedRow() < 0)
        SelectRow(0);
    ShowProperty(m_listUid, SelectedCaption());
}

void TPropertiesWin::PropNamesSelectItem()
{
    const int row = SelectedRow();
    if (row < 0 || m_filling)
        return;
    const bool data = SelectedCaption() == PS::DataCaption();
    m_begin->setVisible(!data);
    m_method->setVisible(!data);
    m_end->setVisible(!data);
    m_data->setVisible(data);
    m_field->setVisible(data);
    // The right-hand area always shows the entry selected, however it came to be selected: a
    // click, a key, the press that starts a drag, the popup menu or the program itself.
    const QString caption = SelectedCaption();
    if (m_shown.uid == m_listUid && m_shown.caption == caption)
        return;
    if (data) {
        const QSignalBlocker blocker(m_field);
        m_field->clear();
        m_field->setEnabled(false);
    }
    ShowProperty(m_listUid, caption);
}

void TPropertiesWin::AddProperty(const QString &uid, const QString &key)
{
    // Asking for a property that exists already leads to it; its source is not emptied.
    if (!PropertyReader::HasProperty(m_host.State(), uid, key))
        m_host.RunLua(PS::AddStatement(uid, key));
}

void TPropertiesWin::N2Click()
{
    const QString uid = SelectedUid();
    if (uid.isEmpty())
        return;
    QString answer;
    QString key;
    if (m_asker->AskText(this, QStringLiteral("Добавление действия к объекту ") + uid,
                         QStringLiteral("Введите добавляемое действие"), &answer)) {
        key = PS::Trimmed(answer);
        // The key names a method in Lua text, so it must be a Lua name; nothing changes else.
        if (!LuaNames::IsName(key)) {
            m_asker->Warning(this, QStringLiteral("Предупреждение"),
                             QStringLiteral("«%1» не годится в имена действий. Имя действия "
                                            "служит именем метода Lua: ")
                                     .arg(key)
                                 + LuaNames::Rule(),
                             QMessageBox::Ok);
            return;
        }
        AddProperty(uid, key);
    }
    ShowObjectProperties(uid);
    SelectProperty(key);
}

void TPropertiesWin::N1Click()
{
    const QString uid = SelectedUid();
    const int row = SelectedRow();
    if (uid.isEmpty() || row < 0 || SelectedCaption() == PS::DataCaption())
        return;
    RunStatements(PS::DeleteStatements(uid, PS::KeyOfCaption(SelectedCaption())));
    const int next = row == m_propNames->topLevelItemCount() - 1 ? row - 1 : row;
    ShowObjectProperties(uid);
    // The entry now selected is also shown, so the editor never holds the deleted text.
    if (next < m_propNames->topLevelItemCount()) {
        SelectRow(next);
        ShowProperty(uid, SelectedCaption());
    }
}

void TPropertiesWin::N10Click()
{
    const QString uid = SelectedUid();
    if (uid.isEmpty())
        return;
    AddProperty(uid, PS::KeyOfCaption(PS::ConstructorCaption()));
    ShowObjectProperties(uid);
    SelectProperty(PS::ConstructorCaption());
}

void TPropertiesWin::N4Click()
{
    const QString uid = SelectedUid();
    if (uid.isEmpty())
        return;
    AddProperty(uid, PS::KeyOfCaption(PS::CatchersCaption()));
    ShowObjectProperties(uid);
    SelectProperty(PS::CatchersCaption());
}

void TPropertiesWin::ObjNameChange(PendingEdit::Field changed)
{
    // The edit belongs to what the window shows: the editor's text always goes with the caption
    // of the property it was loaded from.
    const QString uid = m_shown.uid;
    if (uid.isEmpty() || SelectedUid().isEmpty() || m_propNames->topLevelItemCount() == 0)
        return;
    m_pending.Record(uid, m_shown.caption, m_objName->text(), m_method->Text(), changed);
    const QString parent = SelectedParentUid();
    if (m_pending.property == PS::ConstructorCaption() && !parent.isEmpty())
        m_begin->setText(
            PS::BeginHeading(uid, m_pending.property, parent, PS::Trimmed(m_pending.name)));
}

void TPropertiesWin::FinishCodeEdit()
{
    if (m_method->hasFocus())
        m_method->clearFocus();
    // Typed while the window was not the active one, the text has not lost the focus yet.
    MethodExit();
}

void TPropertiesWin::ObjNameExit()
{
    const QString statement = m_pending.TakeNameStatement();
    if (!statement.isEmpty())
        m_host.RunEchoed(statement);
}

void TPropertiesWin::MethodExit()
{
    RunStatements(m_pending.TakeCodeStatements());
}

void TPropertiesWin::RunStatements(const QList<PS::Statement> &statements)
{
    for (const PS::Statement &statement : statements) {
        if (statement.echoed)
            m_host.RunEchoed(statement.text);
        else
            m_host.RunLua(statement.text);
    }
}

bool TPropertiesWin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_propNames->viewport() && VocabularyDragEvent(event))
        return true;
    if (watched == m_propNames && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Insert) {
            N2Click();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            N1Click();
            return true;
        }
    } else if (watched == m_propNames && event->type() == QEvent::KeyRelease) {
        PropNamesClick();
    } else if (watched == m_propNames->viewport() && event->type() == QEvent::MouseButtonRelease) {
        PropNamesClick();
    } else if (watched == m_objName && event->type() == QEvent::FocusOut
               && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        ObjNameExit();
    }
    return TToolWin::eventFilter(watched, event);
}
