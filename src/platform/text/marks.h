#pragma once
// Characters a reader could not see or that would break the layout (NUL, a
// lone CR, control characters, the line and paragraph separators, halves of
// surrogate pairs, the object replacement character) are kept in the text as
// they are and drawn as visible marks, one mark for each character.

#include <QString>

namespace pw {

// The character drawn for text[i]: itself, or its mark.
QChar shownChar(QStringView text, qsizetype i);
// The text as it is drawn.
QString shownString(const QString& text);

} // namespace pw
