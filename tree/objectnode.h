#pragma once

#include <QTreeWidgetItem>

// A node of the object tree: its text is an object's uid, and its image index (0 owned, 1
// reference) is the only place its kind is kept. The image itself comes from the tree's image list.
class ObjectNode : public QTreeWidgetItem
{
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;
    // The role under which the image index reads and writes, for any node of the tree.
    static constexpr int ImageRole = Qt::UserRole;

    ObjectNode(const QString &text, int image);

    int ImageIndex() const { return m_image; }
    void SetImageIndex(int image);

    // The image index of any node of the tree.
    static int ImageOf(const QTreeWidgetItem *node);

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant &value) override;
    QTreeWidgetItem *clone() const override;

private:
    int m_image;
};
