#include "vocabulary/vocabularygrid.h"

#include "vocabulary/vocabularydelegate.h"
#include "vocabulary/vocabularytable.h"

#include <QCoreApplication>
#include <QDrag>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>

namespace {

const char *const kDragFormat = "application/x-tarnwick-vocabulary-cell";

// The insert drag's cursor: the pointer over a stack of cells, its tip in the middle of the
// picture, where a drag puts the hot spot.
QPixmap InsertCursor()
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    for (int i = 2; i >= 0; --i) {
        const QRect cell(28 + 3 * i, 30 + 3 * i, 14, 8);
        p.fillRect(cell, Qt::white);
        p.drawRect(cell);
    }
    const QPoint arrow[] = {{24, 24}, {24, 38}, {28, 34}, {31, 40}, {33, 39}, {30, 33}, {35, 33}};
    p.setBrush(Qt::white);
    p.drawPolygon(arrow, 7);
    return pixmap;
}

QByteArray NextDragToken()
{
    static int serial = 0;
    return QByteArray::number(QCoreApplication::applicationPid()) + ':'
           + QByteArray::number(++serial);
}

} // namespace

// Every way the selection moves (mouse, keys, the window, a drag) comes through here, so the
// table's selection rules always run; and the selection is always the one current cell.
class VocabularyGrid::CellSelection : public QItemSelectionModel
{
public:
    explicit CellSelection(VocabularyTable *table) : QItemSelectionModel(table), m_table(table) {}

    bool Move(const QModelIndex &to)
    {
        if (m_moving)
            return false;
        QScopedValueRollback<bool> moving(m_moving, true);
        const QModelIndex cell = m_table->Arrive(currentIndex(), to);
        if (!cell.isValid())
            return false;
        Put(cell);
        return true;
    }

    void Put(const QModelIndex &cell)
    {
        QItemSelectionModel::setCurrentIndex(cell, ClearAndSelect);
    }

    void setCurrentIndex(const QModelIndex &index, SelectionFlags command) override
    {
        Q_UNUSED(command)
        // While the table changes, the view's own guesses at a new current cell are not taken:
        // the operation places the selection itself.
        if (index.isValid() && !m_table->Busy())
            Move(index);
    }

    void select(const QModelIndex &index, SelectionFlags command) override
    {
        Q_UNUSED(index)
        SelectCurrent(command);
    }

    void select(const QItemSelection &selection, SelectionFlags command) override
    {
        Q_UNUSED(selection)
        SelectCurrent(command);
    }

private:
    void SelectCurrent(SelectionFlags command)
    {
        if (command == NoUpdate)
            return;
        const QModelIndex cell = currentIndex();
        QItemSelectionModel::select(QItemSelection(cell, cell), ClearAndSelect);
    }

    VocabularyTable *m_table;
    bool m_moving = false;
};

VocabularyGrid::VocabularyGrid(VocabularyTable *table, QWidget *parent)
    : QTableView(parent), m_table(table), m_selection(new CellSelection(table)),
      m_runDrag([](QDrag *drag) { drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction); })
{
    setObjectName(QStringLiteral("Vocabulary"));
    setAccessibleName(QStringLiteral("Vocabulary"));
    setModel(table);
    setSelectionModel(m_selection);
    setItemDelegate(new VocabularyDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    // Tab leaves the grid; Tab in a cell's editor goes on to the next cell.
    setTabKeyNavigation(false);
    setWordWrap(false);
    setShowGrid(false);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(VocabularyDelegate::kCellWidth);
    horizontalHeader()->setDefaultSectionSize(VocabularyDelegate::kCellWidth);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(VocabularyDelegate::kCellHeight);
    verticalHeader()->setDefaultSectionSize(VocabularyDelegate::kCellHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Drags are started here by distance and shown by the delegate; only drops are the view's.
    setDragEnabled(false);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                // The frames and the row outline follow the selection.
                viewport()->update();
                if (current.isValid())
                    emit CellSelected(current);
            });
}

bool VocabularyGrid::Select(const QModelIndex &cell)
{
    if (!m_selection->Move(cell))
        return false;
    scrollTo(currentIndex());
    return true;
}

void VocabularyGrid::Place(const QModelIndex &cell)
{
    m_selection->Put(cell);
    scrollTo(cell);
}

void VocabularyGrid::EndEditing()
{
    if (state() != EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool VocabularyGrid::IsOwnDrag(const QMimeData *data) const
{
    return data && !m_dragToken.isEmpty() && data->data(QLatin1String(kDragFormat)) == m_dragToken;
}

void VocabularyGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::NoModifier && state() != EditingState) {
        if (event->key() == Qt::Key_Delete) {
            emit DeletePressed();
            event->accept();
            return;
        }
        // Enter opens the cell as F2 does; Enter in the editor then ends the edit.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            edit(currentIndex());
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void VocabularyGrid::mousePressEvent(QMouseEvent *event)
{
    m_pressPoint = event->position().toPoint();
    m_armed = event->button() == Qt::LeftButton;
    QTableView::mousePressEvent(event);
}

void VocabularyGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (m_armed && (event->buttons() & Qt::LeftButton)) {
        // The pressed cell stays selected until the drag starts, so it is what is dragged.
        const QPoint moved = event->position().toPoint() - m_pressPoint;
        if (qAbs(moved.x()) > kDragDistance || qAbs(moved.y()) > kDragDistance) {
            m_armed = false;
            StartDrag();
        }
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void VocabularyGrid::mouseReleaseEvent(QMouseEvent *event)
{
    m_armed = false;
    QTableView::mouseReleaseEvent(event);
}

bool VocabularyGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // Only the selected cell is edited: a double click on a cell that cannot be selected opens
    // nothing that would then throw the typing away.
    if (index != currentIndex())
        return false;
    return QTableView::edit(index, trigger, event);
}

void VocabularyGrid::StartDrag()
{
    // What is dragged is the cell pressed, and only when it could be selected and holds a word.
    const QModelIndex source = currentIndex();
    if (!source.isValid() || source != indexAt(m_pressPoint) || m_table->Cell(source).isEmpty())
        return;
    EndEditing();
    m_dragSource = source;
    m_dragToken = NextDragToken();
    m_insertMode = false;
    auto *data = new QMimeData;
    data->setData(QLatin1String(kDragFormat), m_dragToken);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setDragCursor(InsertCursor(), Qt::CopyAction);
    viewport()->update();
    m_runDrag(drag);
    m_dragSource = QPersistentModelIndex();
    m_dragToken.clear();
    m_dropAllowed = false;
    viewport()->update();
}

void VocabularyGrid::dragEnterEvent(QDragEnterEvent *event)
{
    if (!IsOwnDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    setState(DraggingState);
    DragOver(event);
}

void VocabularyGrid::dragMoveEvent(QDragMoveEvent *event)
{
    if (!IsOwnDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    // The view scrolls near its edges; whether the drop may happen here is decided below.
    QTableView::dragMoveEvent(event);
    DragOver(event);
}

// The selection follows the pointer onto every cell it may select; Ctrl chooses insert.
void VocabularyGrid::DragOver(QDragMoveEvent *event)
{
    m_insertMode = event->modifiers() & Qt::ControlModifier;
    const QModelIndex cell = indexAt(event->position().toPoint());
    m_dropAllowed = cell.isValid() && (cell == currentIndex() || m_selection->Move(cell));
    viewport()->update();
    if (!m_dropAllowed) {
        event->ignore();
        return;
    }
    event->setDropAction(m_insertMode ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

void VocabularyGrid::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dropAllowed = false;
    QTableView::dragLeaveEvent(event);
}

void VocabularyGrid::dropEvent(QDropEvent *event)
{
    stopAutoScroll();
    setState(NoState);
    if (!IsOwnDrag(event->mimeData()) || !m_dropAllowed) {
        event->ignore();
        return;
    }
    const bool insert = event->modifiers() & Qt::ControlModifier;
    const QModelIndex selected = m_table->Drop(m_dragSource, currentIndex(), insert);
    if (selected.isValid())
        Place(selected);
    event->setDropAction(insert ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
    viewport()->update();
}
