#include "tree/objectnode.h"

#include "tree/itemstree.h"

ObjectNode::ObjectNode(const QString &text, int image)
    : QTreeWidgetItem(QStringList(text), Type), m_image(image)
{
    // Whether a label may really be edited is the window's decision, asked as editing starts.
    setFlags(flags() | Qt::ItemIsEditable);
}

void ObjectNode::SetImageIndex(int image)
{
    if (image == m_image)
        return;
    m_image = image;
    emitDataChanged();
}

int ObjectNode::ImageOf(const QTreeWidgetItem *node)
{
    if (node->type() == Type)
        return static_cast<const ObjectNode *>(node)->m_image;
    return node->data(0, ImageRole).toInt();
}

QVariant ObjectNode::data(int column, int role) const
{
    if (column == 0) {
        if (role == ImageRole)
            return m_image;
        if (role == Qt::DecorationRole) {
            if (const auto *tree = qobject_cast<const TItemsTree *>(treeWidget()))
                return tree->Image(m_image);
            return QVariant();
        }
    }
    return QTreeWidgetItem::data(column, role);
}

void ObjectNode::setData(int column, int role, const QVariant &value)
{
    if (column == 0 && role == ImageRole) {
        SetImageIndex(value.toInt());
        return;
    }
    QTreeWidgetItem::setData(column, role, value);
}

QTreeWidgetItem *ObjectNode::clone() const
{
    auto *copy = new ObjectNode(text(0), m_image);
    for (int i = 0; i < childCount(); ++i)
        copy->addChild(child(i)->clone());
    return copy;
}
