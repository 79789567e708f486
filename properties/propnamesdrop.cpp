// The property list as a drop target: a verb's key word dragged out of the vocabulary grid adds
// a method of that name to the selected object.

#include "properties/propertieswin.h"

#include "script/luanames.h"
#include "vocabulary/vocabularydrag.h"

#include <QDropEvent>
#include <QTreeWidget>

void TPropertiesWin::SetVocabulary(const VocabularyDragSource *vocabulary)
{
    m_vocabulary = vocabulary;
    m_propNames->viewport()->setAcceptDrops(vocabulary != nullptr);
}

// Only a verb's key word is taken ("again" repeats a command and is no method), and only one
// that can name a method.
bool TPropertiesWin::PropNamesDragOver(const QMimeData *data) const
{
    if (!m_vocabulary || !m_vocabulary->IsGridDrag(data)
        || m_vocabulary->TabIndex() != VocabularyDragSource::Verbs || SelectedUid().isEmpty())
        return false;
    const QString word = m_vocabulary->DraggedKeyWord();
    return word != QLatin1String("again") && LuaNames::IsName(word);
}

void TPropertiesWin::PropNamesDragDrop()
{
    const QString uid = SelectedUid();
    const QString word = m_vocabulary->DraggedKeyWord();
    AddProperty(uid, word);
    ShowObjectProperties(uid);
    SelectProperty(word);
}

bool TPropertiesWin::VocabularyDragEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *over = static_cast<QDragMoveEvent *>(event);
        over->setAccepted(PropNamesDragOver(over->mimeData()));
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        drop->setAccepted(PropNamesDragOver(drop->mimeData()));
        if (drop->isAccepted())
            PropNamesDragDrop();
        return true;
    }
    default:
        return false;
    }
}
