#pragma once

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTableView>

#include <functional>

class QDrag;
class QMimeData;
class VocabularyTable;

// The vocabulary grid `Vocabulary`: one cell selected at a time, moved only by the table's
// selection rules; cells edited in place; a cell dragged more than 20 pixels from where the
// button went down starts a drag onto another cell (swap) or, with Ctrl held, an insert. The
// owner drawing is VocabularyDelegate's.
class VocabularyGrid : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kDragDistance = 20;

    explicit VocabularyGrid(VocabularyTable *table, QWidget *parent = nullptr);

    VocabularyTable *Table() const { return m_table; }

    // Moves the selection to the cell by the selection rules; false when the cell cannot be
    // selected (the selection stays).
    bool Select(const QModelIndex &cell);
    // Makes the cell the selection without the rules (after a load, a delete or a drop).
    void Place(const QModelIndex &cell);
    // Ends cell editing, keeping what was typed.
    void EndEditing();
    using QTableView::edit;

    // The cell the running drag started from; invalid when no drag runs.
    QModelIndex DragSource() const { return m_dragSource; }
    bool InsertMode() const { return m_insertMode; }
    bool IsOwnDrag(const QMimeData *data) const;
    // How a started drag runs; by default the toolkit's drag loop. Tests send their own events.
    void SetDragRunner(std::function<void(QDrag *)> runner) { m_runDrag = std::move(runner); }

Q_SIGNALS:
    // The selection is now this cell.
    void CellSelected(const QModelIndex &cell);
    // Delete pressed while no cell is being edited.
    void DeletePressed();

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    class CellSelection;

    void StartDrag();
    void DragOver(QDragMoveEvent *event);

    VocabularyTable *m_table;
    CellSelection *m_selection;
    std::function<void(QDrag *)> m_runDrag;
    QPoint m_pressPoint;
    bool m_armed = false;
    QPersistentModelIndex m_dragSource;
    QByteArray m_dragToken;
    bool m_insertMode = false;
    bool m_dropAllowed = false;
};
