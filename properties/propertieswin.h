#pragma once

#include "properties/pendingedit.h"
#include "properties/propertystatements.h"
#include "widgets/toolwin.h"
#include "widgets/windowlinks.h"

#include <QIcon>
#include <QList>

#include <memory>

class Asker;
class DataView;
class MethodEditor;
class ObjectSelection;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class ScriptHost;
class VocabularyDragSource;

// The selected object's display name, its property list, and the right-hand area that shows one
// property: the code editor for methods, the constructor and the event catchers, or the data area.
// Everything it changes in the world it changes by running Lua text; it reads the world directly.
class TPropertiesWin : public TToolWin, public ObjectView
{
    Q_OBJECT

public:
    // The list entry's image index (0 constructor, 1 method, 2 catchers, 3 data) is kept under
    // this role beside its icon.
    static constexpr int ImageRole = Qt::UserRole;

    explicit TPropertiesWin(ScriptHost &host, QWidget *parent = nullptr);
    ~TPropertiesWin() override;

    // The object tree; null reads as "no node selected".
    void SetSelection(ObjectSelection *selection);
    // Null restores the real message boxes.
    void SetAsker(Asker *asker);
    // The vocabulary window, whose verbs' key words may be dropped on the list to add a method
    // of that name; until it is set, every such drop is refused.
    void SetVocabulary(const VocabularyDragSource *vocabulary);

    // Finishes the edits in progress, then fills the name field and the list from the object's
    // ide_data in traversal order, "Данные" first and selected.
    void ShowObjectProperties(const QString &uid) override;
    // Loads the property's text and headings into the code editor, or for "Данные" the data area.
    void ShowProperty(const QString &uid, const QString &caption) override;
    void ShowObject(const QString &uid) override;
    // Reads the object's data into the data tree again, with nothing selected.
    void RebuildDataTree(const QString &uid);
    // Selects the first entry with this caption and shows it; nothing when there is none.
    void SelectProperty(const QString &caption);

    // The list's popup commands: "Удалить", "Добавить", "Конструктор", "Отлавливатель".
    void N1Click();
    void N2Click();
    void N10Click();
    void N4Click();
    // A click on the list: shows the selected entry, entry 0 when none is selected.
    void PropNamesClick();
    // Takes the focus from the name field and the code editor, so that what the author typed
    // there is written back now (before a project command, or before the window is refilled).
    void FinishEdits();

    QLineEdit *ObjName() const { return m_objName; }
    QTreeWidget *PropNames() const { return m_propNames; }
    MethodEditor *Method() const { return m_method; }
    QLabel *BeginLabel() const { return m_begin; }
    QLabel *EndLabel() const { return m_end; }
    QTreeWidget *Data() const { return m_data; }
    QLineEdit *Field() const { return m_field; }
    QSplitter *Splitter1() const { return m_splitter1; }
    QMenu *PopupMenu1() const { return m_popupMenu1; }
    const PendingEdit &Pending() const { return m_pending; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateWidgets();
    void CreatePopupMenu1();
    void PropNamesSelectItem();
    void ObjNameChange(PendingEdit::Field changed);
    void ObjNameExit();
    void MethodExit();
    // Writes back what was typed in the code editor, before the editor is loaded anew.
    void FinishCodeEdit();
    // Adds an empty property unless the object has one under that key already.
    void AddProperty(const QString &uid, const QString &key);
    void AddEntry(const QString &caption, int image);
    void RunStatements(const QList<PropertyStatements::Statement> &statements);
    // A key word dragged from the vocabulary grid over the list; true when the event was one.
    bool VocabularyDragEvent(QEvent *event);
    bool PropNamesDragOver(const QMimeData *data) const;
    void PropNamesDragDrop();
    void SelectRow(int row);
    int SelectedRow() const;
    QString SelectedCaption() const;
    QString SelectedUid() const;
    QString SelectedParentUid() const;

    ScriptHost &m_host;
    ObjectSelection *m_selection = nullptr;
    const VocabularyDragSource *m_vocabulary = nullptr;
    std::unique_ptr<Asker> m_defaultAsker;
    Asker *m_asker = nullptr;
    PendingEdit m_pending;
    // The object whose name and list the window shows, and the property the right-hand area holds.
    QString m_listUid;
    struct Shown
    {
        QString uid;
        QString caption;
    } m_shown;
    // The list is being refilled; its selection changes mean nothing yet.
    bool m_filling = false;
    // The list's images by index: 0 constructor, 1 method, 2 catchers, 3 data.
    QList<QIcon> m_imageList1;

    QLineEdit *m_objName = nullptr;
    QTreeWidget *m_propNames = nullptr;
    QSplitter *m_splitter1 = nullptr;
    QLabel *m_begin = nullptr;
    MethodEditor *m_method = nullptr;
    QLabel *m_end = nullptr;
    DataView *m_dataView = nullptr;
    QTreeWidget *m_data = nullptr;
    QLineEdit *m_field = nullptr;
    QMenu *m_popupMenu1 = nullptr;
};
