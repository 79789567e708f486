#pragma once

#include <QColor>
#include <QString>

class QTextDocument;

// The help topics' bracket mark-up: [b] [i] [u] [size=NN] [color=N] [c] [r] with their closing
// tags. Each kind is handled in a pass of its own over the whole text, so tags of different kinds
// nest and overlap freely, and within a kind the k-th opening tag pairs with the k-th closing one.
namespace HelpMarkup {

// The colours of [color=N], N from 0 to 7.
QColor Palette(int index);

// Replaces the document's content with the text and renders its mark-up, in passes of bold,
// italic, underline, size, colour, centre and right, so a paragraph both centred and
// right-aligned ends right-aligned. Line breaks (CR LF or LF) end paragraphs; tabs stay.
// Malformed mark-up never fails: a value tag that is not well formed ([size=9], [color=x]) stays
// as text, an opening tag without its closing tag reaches to the end of the text, a closing tag
// before its opening tag encloses nothing, and [color=8] or [color=9] give no colour.
void Render(QTextDocument *document, const QString &text);

} // namespace HelpMarkup
