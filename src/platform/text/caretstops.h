#pragma once
// Where the caret stops in a text: between grapheme clusters (a letter and
// its accents, a flag, an emoji with its modifiers and joiners, a Hangul
// syllable of jamo, CR LF), as QTextBoundaryFinder finds them, and where
// words begin and end.
//
// Each function reads a small window of text around the position: it starts
// the finder at the nearest character before the position after which the
// finder's answers cannot depend on what came earlier (anything but a mark,
// a joiner, a modifier or a regional indicator, best a letter of a script
// the finder cuts by the common rules; it looks up to 256 characters back
// for one), so what it reads grows only where a cluster is longer than the
// window. A step in a line of 10 MB reads a few hundred characters at most;
// in a run of regional indicators, which pair up from the run's start, it
// reads back to that start.
//
// The finder cuts Indic, Thai, Tibetan, Myanmar and Khmer text by syllables
// of its own, which depend on where the run of that script starts: there the
// stops are the finder's as seen from the window, which starts at a letter
// of the run where one is near. No stop ever falls between the halves of a
// surrogate pair (the finder's syllables would cut an emoji among them).
//
// Characters the text area draws as a mark of their own because they are not
// valid text (a lone surrogate, U+FFFC, U+FDD0, U+FDD1) are clusters of their
// own, and so are controls; the finder alone would join a lone surrogate or
// U+FFFC with the accents after it.

#include "textstore.h"

#include <Qt>

namespace pw {

// The first stop after pos (the text's length at its end). Reads from the
// restart point at or before pos to the end of the cluster: 64 characters
// past pos at first, four times more each time the cluster is longer.
qsizetype nextStop(const TextStore& text, qsizetype pos);
// The last stop before pos (0 at the start). Reads about 64 characters
// before pos, four times more each time the cluster is longer.
qsizetype previousStop(const TextStore& text, qsizetype pos);
// The stop at or before pos: pos itself where it is one. Reads as
// previousStop does.
qsizetype snapToStop(const TextStore& text, qsizetype pos);

// Where Backspace deletes from: one code point back, a surrogate pair and a
// CR LF whole (an accent goes alone, leaving its letter). Reads two
// characters.
qsizetype previousCodePoint(const TextStore& text, qsizetype pos);

// Ctrl+Right: past the rest of the word (a run of clusters of the class of
// the one at pos: blank, word, or other), then past the blanks after it; a
// line break stops both runs and is stepped over alone. A cluster takes the
// class of its first character, so an accent or a joiner never splits a
// word. Reads the text in pieces of 4,096 characters until the run ends,
// however long the word is.
qsizetype wordRight(const TextStore& text, qsizetype pos);
// Ctrl+Left: back over the blanks before pos, then over the run of clusters
// of the class before them; a line break stops both and is stepped over
// alone. Reads as wordRight does, backwards.
qsizetype wordLeft(const TextStore& text, qsizetype pos);

struct WordSpan {
    qsizetype start = 0;
    qsizetype end = 0;
};
// What a double click at pos selects, within its line: the run of word
// clusters or of blanks around pos, or one cluster of any other character.
// At the end of a line, the last cluster's run; on an empty line, nothing
// ({start, start} at the line's start). Reads the run in pieces of 4,096
// characters, however long it is.
WordSpan wordAt(const TextStore& text, qsizetype pos);

// A line's direction, as the layout of a paragraph with automatic direction
// finds it: by its first strong character outside isolates (what lies
// between U+2066..U+2068 and U+2069 does not count); left to right when it
// has none, and for an empty line. A lone surrogate (drawn as U+FFFD) has no
// direction. Reads the line in pieces of 4,096 characters up to that
// character. (QTextBlock::textDirection, which moves the caret in
// QPlainTextEdit, counts what lies in isolates and takes a lone surrogate
// for a left-to-right letter; the layout does not, and this follows it.)
Qt::LayoutDirection lineDirection(const TextStore& text, qsizetype line);

} // namespace pw
