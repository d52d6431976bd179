#pragma once
// The system's 8-bit code page, in which text files are kept: the locale's
// encoding on Unix, the ANSI code page on Windows.
//
// Bytes are never altered behind the user's back: a byte that is not valid
// text in the code page is read as one of the code points U+DC80..U+DCFF (the
// byte's value plus 0xDC00, as Python's "surrogateescape" does) and written
// back as that very byte. A character the code page cannot store is never
// replaced by something else: the conversion reports it.

#include <QByteArray>
#include <QString>

namespace pw {

// fromCodePage sets *ok to false when some bytes were not valid text (they
// are kept as U+DC80..U+DCFF). toCodePage sets *ok to false, and *firstBad
// to the index of the first character that cannot be stored, when the text
// cannot be written as it is.
QByteArray toCodePage(QStringView text, bool* ok = nullptr, qsizetype* firstBad = nullptr);
QString fromCodePage(QByteArrayView bytes, bool* ok = nullptr);

// The name of the code page in use ("UTF-8", "ISO-8859-15", ...). A C or POSIX
// locale, whose character set is plain ASCII, reads and writes UTF-8.
QByteArray codePageName();
// Puts another code page in use (a name the system's converter knows); an
// empty name goes back to the locale's. Returns false, changing nothing, when
// the system cannot convert that code page.
bool setCodePage(const QByteArray& name);

// A character of text for messages: its code point, and the character itself
// when it can be shown ("U+0101 (ā)"); index may point at a surrogate pair.
QString describeCharacter(QStringView text, qsizetype index);

} // namespace pw
