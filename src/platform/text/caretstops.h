#pragma once
// Where the caret stops in a text: between grapheme clusters (a letter and
// its accents, a flag, an emoji with its modifiers and joiners, a Hangul
// syllable of jamo, CR LF), and where words begin and end. Each function
// reads a small window of text around the position, larger only where a
// cluster or a word is longer than the window.

#include "textstore.h"

#include <Qt>

namespace pw {

qsizetype nextStop(const TextStore& text, qsizetype pos);
qsizetype previousStop(const TextStore& text, qsizetype pos);
// The stop at or before pos.
qsizetype snapToStop(const TextStore& text, qsizetype pos);
// Where Backspace deletes from: one code point back (a surrogate pair and a
// CR LF whole).
qsizetype previousCodePoint(const TextStore& text, qsizetype pos);

qsizetype wordRight(const TextStore& text, qsizetype pos);
qsizetype wordLeft(const TextStore& text, qsizetype pos);
struct WordSpan {
    qsizetype start = 0;
    qsizetype end = 0;
};
// The word (or run of blanks, or one other character) at pos, for a double
// click.
WordSpan wordAt(const TextStore& text, qsizetype pos);

// A line's direction, by its first strong character; left to right when it
// has none.
Qt::LayoutDirection lineDirection(const TextStore& text, qsizetype line);

} // namespace pw
