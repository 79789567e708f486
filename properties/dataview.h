#pragma once

#include "properties/datanode.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class Asker;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class ScriptHost;

// The data area of the properties window: the object's data table as a fully expanded tree
// (`Data`), the value field under it (`Field`) and the tree's popup menu. Values are edited as Lua
// expressions; every change is a statement echoed to the console and run, after which the tree
// is read again from the world. The window lays the two widgets out and shows or hides them.
class DataView : public QObject
{
    Q_OBJECT

public:
    // A node's image (0 a table, 1 any other value) is kept under this role beside its icon.
    static constexpr int ImageRole = Qt::UserRole;

    DataView(ScriptHost &host, QWidget *window);

    // Where the questions and refusals go; the window hands its own asker on.
    void SetAsker(Asker *asker) { m_asker = asker; }

    // Reads uid.data into the tree again and selects the node at `position`, counted over all
    // nodes depth first (nothing for -1, or when there are not so many). The field then shows
    // the selected node's value, or nothing; a value typed but not written is dropped.
    void RebuildDataTree(const QString &uid, int position = -1);
    // Writes a value the author typed and has not left yet, and takes the focus from the field.
    void FinishEdit();
    // Loads the field for the selected node: its value to edit, with the focus; "(таблица)" or
    // the type of a value that cannot be edited, with the tree keeping the focus.
    void DataClick();

    // The popup commands "Добавить" (Insert), "Удалить" (Ctrl+Del), "Удалить из таблицы"
    // (Shift+Del).
    void N9Click();
    void N11Click();
    void N12Click();

    // The Lua text that addresses the selected node, or with parentOnly the table holding it;
    // uid.data when nothing is selected. Empty when a key on the way has no Lua text.
    QString DataNodePath(bool parentOnly) const;

    QTreeWidget *Data() const { return m_data; }
    QLineEdit *Field() const { return m_field; }
    QMenu *PopupMenu3() const { return m_popupMenu3; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreatePopupMenu3();
    void AddItems();
    // Fills the field for the selected node; with `focus` the focus goes where DataClick says.
    void LoadField(bool focus);
    void FieldChange();
    // Writes the pending value; false when it could not be written (the text stays in the field).
    bool FieldExit();
    bool FieldKeyDown(QKeyEvent *event);
    // Enters the pair of a typed quote or opening brace; false for any other key.
    bool FieldKeyPress(QKeyEvent *event);
    // Insert, Ctrl+Del and Shift+Del, in the tree and in the field alike.
    bool CommandKey(QKeyEvent *event);
    void SelectNeighbour(bool below);
    void RunAndRebuild(const QString &statement, int position);
    void Refuse(const QString &text);
    void ReportNotWritten(const QString &path, const QString &text, const QString &why);

    int SelectedIndex() const;
    int PositionOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *ItemAt(int position) const;
    // The path of node `index` (-1: the data table itself); empty when no Lua text addresses it.
    QString PathOf(int index) const;
    // The path as shown, key texts standing in for keys that have no Lua text.
    QString ShownPath(int index) const;
    std::vector<DataNode::Value> KeysOf(int index) const;
    DataNode::Kind CurrentKind(int index) const;

    ScriptHost &m_host;
    QWidget *m_window;
    Asker *m_asker = nullptr;
    // The images of the nodes: 0 a table, 1 any other value.
    QList<QIcon> m_imageList2;
    QString m_uid;
    DataNode::Tree m_tree;

    // The value being typed: the node it was typed for, captured at each change of the field.
    bool m_modified = false;
    QString m_pendingPath;
    std::vector<DataNode::Value> m_pendingKeys;
    int m_pendingPosition = -1;

    QTreeWidget *m_data = nullptr;
    QLineEdit *m_field = nullptr;
    QMenu *m_popupMenu3 = nullptr;
};
