#pragma once

#include <QString>

class QMimeData;

// What the vocabulary window offers the property list, onto which a verb's key word can be
// dragged to add a method of that name.
class VocabularyDragSource
{
public:
    enum Tab { Verbs = 0, Nouns = 1, Prepositions = 2 };

    virtual ~VocabularyDragSource() = default;
    // Whether the data belongs to a drag this program's vocabulary grid started and still runs.
    virtual bool IsGridDrag(const QMimeData *data) const = 0;
    // The key word of the row the running drag started from; empty when there is none.
    virtual QString DraggedKeyWord() const = 0;
    // The tab shown: Verbs, Nouns or Prepositions.
    virtual int TabIndex() const = 0;
};
