#include "properties/dataview.h"

#include "properties/datareader.h"
#include "properties/datastatements.h"
#include "properties/propertyicons.h"
#include "script/scripthost.h"
#include "widgets/asker.h"

#include <QAction>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace DS = DataStatements;
using DataNode::Kind;

namespace {

constexpr int kIndent = 19;
constexpr int NodeRole = Qt::UserRole + 1;
enum Image : int { TableImage = 0, ValueImage = 1 };

QString WarningCaption()
{
    return QStringLiteral("Предупреждение");
}

// A node of the data tree. Its text, image and node index are its own members, served to the
// view on request, so a tree of many thousands of nodes is made quickly.
class DataItem : public QTreeWidgetItem
{
public:
    DataItem(QTreeWidgetItem *parent, const QString &text, const QIcon &icon, int image, int index)
        : QTreeWidgetItem(UserType), m_text(text), m_icon(icon), m_image(image), m_index(index)
    {
        if (parent)
            parent->addChild(this);
    }

    QVariant data(int column, int role) const override
    {
        if (column == 0) {
            switch (role) {
            case Qt::DisplayRole: return m_text;
            case Qt::DecorationRole: return m_icon;
            case DataView::ImageRole: return m_image;
            case NodeRole: return m_index;
            default: break;
            }
        }
        return QTreeWidgetItem::data(column, role);
    }

private:
    QString m_text;
    QIcon m_icon;
    int m_image;
    int m_index;
};

bool Editable(Kind kind)
{
    return kind == Kind::Boolean || kind == Kind::Number || kind == Kind::String;
}

// Modifiers that make a different key of the same key (the keypad's own flag aside).
Qt::KeyboardModifiers Mods(const QKeyEvent *event)
{
    return event->modifiers() & ~Qt::KeypadModifier;
}

bool IsCommandKey(const QKeyEvent *event)
{
    return (event->key() == Qt::Key_Insert && Mods(event) == Qt::NoModifier)
           || (event->key() == Qt::Key_Delete
               && (Mods(event) == Qt::ControlModifier || Mods(event) == Qt::ShiftModifier));
}

} // namespace

DataView::DataView(ScriptHost &host, QWidget *window)
    : QObject(window), m_host(host), m_window(window), m_imageList2{PropertyIcons::Table(), PropertyIcons::Value()}
{
    m_data = new QTreeWidget;
    m_data->setObjectName(QStringLiteral("Data"));
    m_data->setAccessibleName(QStringLiteral("Data"));
    m_data->setHeaderHidden(true);
    m_data->setColumnCount(1);
    m_data->setIndentation(kIndent);
    m_data->setIconSize(QSize(PropertyIcons::kSize, PropertyIcons::kSize));
    m_data->setUniformRowHeights(true);
    m_data->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_data->setSelectionMode(QAbstractItemView::SingleSelection);
    m_data->setMouseTracking(true);
    m_data->viewport()->setAttribute(Qt::WA_Hover);
    // The selected node must show while the author types its value in the field.
    QPalette palette = m_data->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_data->setPalette(palette);
    m_data->setContextMenuPolicy(Qt::CustomContextMenu);
    m_data->installEventFilter(this);
    m_data->viewport()->installEventFilter(this);

    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("Field"));
    m_field->setAccessibleName(QStringLiteral("Field"));
    m_field->setEnabled(false);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textChanged, this, &DataView::FieldChange);

    CreatePopupMenu3();
}

void DataView::CreatePopupMenu3()
{
    m_popupMenu3 = new QMenu(m_data);
    m_popupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    m_popupMenu3->setAccessibleName(QStringLiteral("PopupMenu3"));
    // The tree and the field take these keys themselves (eventFilter); the menu shows them.
    const auto add = [this](const char *name, const QString &text, const QKeySequence &keys,
                            void (DataView::*slot)()) {
        QAction *action = m_popupMenu3->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
    };
    add("N9", QStringLiteral("Добавить"), QKeySequence(Qt::Key_Insert), &DataView::N9Click);
    add("N11", QStringLiteral("Удалить"), QKeySequence(Qt::CTRL | Qt::Key_Delete), &DataView::N11Click);
    add("N12", QStringLiteral("Удалить из таблицы"), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        &DataView::N12Click);
    connect(m_data, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_popupMenu3->popup(m_data->viewport()->mapToGlobal(at));
    });
}

void DataView::RebuildDataTree(const QString &uid, int position)
{
    m_uid = uid;
    m_modified = false;
    m_data->clear();
    m_tree = DataReader::Read(m_host.State(), uid);
    AddItems();
    QTreeWidgetItem *selected = position >= 0 ? ItemAt(position) : nullptr;
    m_data->setCurrentItem(selected);
    if (!selected)
        m_data->clearSelection();
    LoadField(false);
}

void DataView::AddItems()
{
    const QBrush readOnly = m_data->palette().brush(QPalette::Disabled, QPalette::Text);
    const std::vector<DataNode::Node> &nodes = m_tree.nodes;
    std::vector<QTreeWidgetItem *> items(nodes.size());
    // Whether a key on the way to the node has no Lua text, so no statement can reach it.
    std::vector<bool> unreachable(nodes.size());
    QList<QTreeWidgetItem *> top;
    top.reserve(qsizetype(m_tree.top.size()));
    // Parents are read before their entries, so each item's parent exists when it is made; the
    // whole tree joins the view at once.
    for (size_t i = 0; i < nodes.size(); ++i) {
        const DataNode::Node &node = nodes[i];
        const QString keyPart = DS::KeyPart(node.key);
        QString text = keyPart.isEmpty() ? DS::KeyText(node.key) : keyPart;
        text += node.sameAs == -1 ? DS::ValueSuffix(node.value) : DS::SameAsSuffix(ShownPath(node.sameAs));
        const int image = node.value.kind == Kind::Table ? TableImage : ValueImage;
        QTreeWidgetItem *parent = node.parent < 0 ? nullptr : items[size_t(node.parent)];
        auto *item = new DataItem(parent, text, m_imageList2.at(image), image, int(i));
        unreachable[i] = keyPart.isEmpty() || (parent && unreachable[size_t(node.parent)]);
        if (unreachable[i] || (image == ValueImage && !Editable(node.value.kind)))
            item->setForeground(0, readOnly);
        items[i] = item;
        if (!parent)
            top.append(item);
    }
    m_data->addTopLevelItems(top);
    m_data->expandAll();
}

int DataView::SelectedIndex() const
{
    const QList<QTreeWidgetItem *> selected = m_data->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->data(0, NodeRole).toInt();
}

int DataView::PositionOf(const QTreeWidgetItem *item) const
{
    int position = 0;
    for (QTreeWidgetItemIterator it(m_data); *it; ++it, ++position) {
        if (*it == item)
            return position;
    }
    return -1;
}

QTreeWidgetItem *DataView::ItemAt(int position) const
{
    QTreeWidgetItemIterator it(m_data);
    for (int i = 0; *it && i < position; ++i)
        ++it;
    return *it;
}

QString DataView::PathOf(int index) const
{
    QStringList parts;
    for (int at = index; at >= 0; at = m_tree.nodes[size_t(at)].parent) {
        const QString part = DS::KeyPart(m_tree.nodes[size_t(at)].key);
        if (part.isEmpty())
            return QString();
        parts.prepend(part);
    }
    return DS::Path(m_uid, parts);
}

QString DataView::ShownPath(int index) const
{
    QStringList parts;
    for (int at = index; at >= 0; at = m_tree.nodes[size_t(at)].parent)
        parts.prepend(DS::KeyText(m_tree.nodes[size_t(at)].key));
    return DS::Path(m_uid, parts);
}

std::vector<DataNode::Value> DataView::KeysOf(int index) const
{
    std::vector<DataNode::Value> keys;
    for (int at = index; at >= 0; at = m_tree.nodes[size_t(at)].parent)
        keys.insert(keys.begin(), m_tree.nodes[size_t(at)].key);
    return keys;
}

DataNode::Kind DataView::CurrentKind(int index) const
{
    return DataReader::ReadValue(m_host.State(), m_uid, KeysOf(index)).kind;
}

QString DataView::DataNodePath(bool parentOnly) const
{
    const int index = SelectedIndex();
    if (index < 0)
        return DS::Path(m_uid, {});
    return PathOf(parentOnly ? m_tree.nodes[size_t(index)].parent : index);
}

void DataView::DataClick()
{
    LoadField(true);
}

void DataView::LoadField(bool focus)
{
    const QSignalBlocker blocker(m_field);
    m_modified = false;
    m_field->clear();
    const int index = SelectedIndex();
    bool editable = false;
    if (index >= 0) {
        const bool leaf = m_data->selectedItems().first()->childCount() == 0;
        const bool addressable = !PathOf(index).isEmpty();
        // The world may have changed since the tree was read; a value to edit is read afresh.
        const DataNode::Value value = leaf && addressable
                                          ? DataReader::ReadValue(m_host.State(), m_uid, KeysOf(index))
                                          : m_tree.nodes[size_t(index)].value;
        const bool literal = leaf && Editable(value.kind);
        editable = literal && addressable;
        m_field->setText(literal ? DS::Literal(value) : DS::TypeText(value.kind));
    }
    // A field losing the focus by being disabled would hand it on to whatever comes next.
    if (!editable && (focus || m_field->hasFocus()))
        m_data->setFocus();
    m_field->setEnabled(editable);
    if (editable && focus)
        m_field->setFocus();
}

void DataView::FieldChange()
{
    const int index = SelectedIndex();
    const QString path = index < 0 ? QString() : PathOf(index);
    if (path.isEmpty() || (m_modified && path == m_pendingPath))
        return;
    m_pendingPath = path;
    m_pendingKeys = KeysOf(index);
    m_pendingPosition = PositionOf(m_data->selectedItems().first());
    m_modified = true;
}

bool DataView::FieldExit()
{
    if (!m_modified)
        return true;
    const QString text = m_field->text();
    // The entry may have gone meanwhile (deleted from the console, or the world replaced).
    if (DataReader::ReadValue(m_host.State(), m_uid, m_pendingKeys).kind == Kind::Nil) {
        m_modified = false;
        ReportNotWritten(m_pendingPath, text, QStringLiteral("такого поля больше нет"));
        return true;
    }
    const QString error = DataReader::ExpressionError(m_host.State(), text);
    if (!error.isEmpty()) {
        // The text stays in the field (and stays pending) for the author to mend.
        ReportNotWritten(m_pendingPath, text,
                         QStringLiteral("это не выражение Lua (") + error + QLatin1Char(')'));
        return false;
    }
    m_modified = false;
    const QString uid = m_uid;
    m_host.RunEchoed(DS::SetStatement(m_pendingPath, text));
    RebuildDataTree(uid, m_pendingPosition);
    return true;
}

void DataView::FinishEdit()
{
    if (m_field->hasFocus())
        m_field->clearFocus();
    FieldExit();
}

void DataView::ReportNotWritten(const QString &path, const QString &text, const QString &why)
{
    if (ConsoleSink *console = m_host.Console())
        console->ConsolePrint(QStringLiteral("Значение не записано, данные не изменены: ") + path
                                  + QLatin1String(" = ") + text + QStringLiteral(" — ") + why,
                              ConsoleKind::Error);
}

void DataView::Refuse(const QString &text)
{
    if (m_asker)
        m_asker->Warning(m_window, WarningCaption(), text, QMessageBox::Ok);
}

void DataView::RunAndRebuild(const QString &statement, int position)
{
    const QString uid = m_uid;
    m_host.RunEchoed(statement);
    RebuildDataTree(uid, position);
}

void DataView::N9Click()
{
    // A value that could not be written stays in the field; it is mended first.
    if (!FieldExit())
        return;
    const int index = SelectedIndex();
    // Into the selected table, or beside the selected value.
    const QString target = DataNodePath(index < 0 || CurrentKind(index) != Kind::Table);
    if (target.isEmpty()) {
        Refuse(QStringLiteral("В эту таблицу нельзя добавить поле: её ключ не записать на Lua."));
        return;
    }
    const int position = index < 0 ? -1 : PositionOf(m_data->selectedItems().first());
    QString answer;
    if (!m_asker
        || !m_asker->AskText(m_window, QStringLiteral("Добавление поля"),
                             QStringLiteral("Введите <имя добавляемого поля> = <Значение>"), &answer))
        return;
    RunAndRebuild(DS::AddStatement(target, answer), position);
}

void DataView::N11Click()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    const QString path = DataNodePath(false);
    if (path.isEmpty()) {
        Refuse(QStringLiteral("Это поле нельзя удалить: ключ, по которому оно лежит, не записать на Lua."));
        return;
    }
    // The author deletes the node whose value was being typed.
    m_modified = false;
    const int position = PositionOf(m_data->selectedItems().first());
    RunAndRebuild(DS::DeleteStatement(path), m_tree.nodes.size() > 1 ? position : -1);
    DataClick();
}

void DataView::N12Click()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    const DataNode::Node &node = m_tree.nodes[size_t(index)];
    if (!DS::IsIndex(node.key)) {
        Refuse(QStringLiteral("Удалить из таблицы можно только элемент с числовым индексом, "
                              "например [2]: остальные элементы сдвинутся на его место. "
                              "Поле с другим ключом удаляет команда \"Удалить\"."));
        return;
    }
    const QString table = DataNodePath(true);
    if (table.isEmpty()) {
        Refuse(QStringLiteral("Из этой таблицы нельзя удалить элемент: её ключ не записать на Lua."));
        return;
    }
    m_modified = false;
    const int position = PositionOf(m_data->selectedItems().first());
    RunAndRebuild(DS::RemoveStatement(table, DS::NumberLiteral(node.key.number)),
                  m_tree.nodes.size() > 1 ? position : -1);
    DataClick();
}

void DataView::SelectNeighbour(bool below)
{
    const QList<QTreeWidgetItem *> selected = m_data->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem *next = below ? m_data->itemBelow(selected.first()) : m_data->itemAbove(selected.first());
    if (next)
        m_data->setCurrentItem(next);
}

bool DataView::CommandKey(QKeyEvent *event)
{
    if (!IsCommandKey(event))
        return false;
    if (event->key() == Qt::Key_Insert)
        N9Click();
    else if (Mods(event) == Qt::ControlModifier)
        N11Click();
    else
        N12Click();
    return true;
}

bool DataView::FieldKeyDown(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FieldExit())
            DataClick();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The typed value is written to its own node before the field shows another.
        if (FieldExit()) {
            SelectNeighbour(event->key() == Qt::Key_Down);
            DataClick();
        }
        return true;
    default: return CommandKey(event) || FieldKeyPress(event);
    }
}

bool DataView::FieldKeyPress(QKeyEvent *event)
{
    if (Mods(event) & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString typed = event->text();
    QString pair;
    int back = 1;
    if (typed == QLatin1String("\"")) {
        pair = QStringLiteral("\"\"");
    } else if (typed == QLatin1String("'")) {
        pair = QStringLiteral("''");
    } else if (typed == QLatin1String("{")) {
        pair = QStringLiteral("{  }");
        back = 2;
    } else {
        return false;
    }
    m_field->insert(pair);
    m_field->cursorBackward(false, back);
    return true;
}

bool DataView::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_field || watched == m_data) {
        if (type == QEvent::ShortcutOverride && IsCommandKey(static_cast<QKeyEvent *>(event))) {
            // These keys belong to the data area, whatever the windows around bind them to.
            event->accept();
            return true;
        }
    }
    if (watched == m_field) {
        if (type == QEvent::KeyPress)
            return FieldKeyDown(static_cast<QKeyEvent *>(event));
        if (type == QEvent::FocusOut && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            FieldExit();
    } else if (watched == m_data) {
        if (type == QEvent::KeyPress)
            return CommandKey(static_cast<QKeyEvent *>(event));
        // After the key has moved the selection, the field follows it.
        if (type == QEvent::KeyRelease && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
            DataClick();
    } else if (watched == m_data->viewport()
               && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton) {
            // The menu acts on the node under the mouse; over empty space, on the whole table.
            QTreeWidgetItem *item = m_data->itemAt(mouse->position().toPoint());
            m_data->setCurrentItem(item);
            if (!item)
                m_data->clearSelection();
            DataClick();
        } else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            DataClick();
        }
    }
    return QObject::eventFilter(watched, event);
}
