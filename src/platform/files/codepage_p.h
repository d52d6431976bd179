#pragma once
// The code page converters behind codepage.h, shared by its back ends (the
// system's converter: codepage_iconv.cpp on Unix, codepage_win.cpp on
// Windows) and by the sequential files.

#include <QByteArray>
#include <QString>
#include <memory>

namespace pw::detail {

// Bytes that are not valid text are kept as U+DC00 plus the byte.
constexpr char16_t EscapeFirst = 0xDC80;
constexpr char16_t EscapeLast = 0xDCFF;

inline bool isEscape(char16_t c) {
    return c >= EscapeFirst && c <= EscapeLast;
}

// A code page conversion. decode appends the text of bytes to out, keeping
// each byte that is not valid text as U+DC00 plus the byte, and returns false
// when there was such a byte. encode appends the bytes of text to out and
// returns -1, or the index of the first character it cannot store (out is
// then unspecified).
class Codec {
public:
    virtual ~Codec() = default;
    virtual QByteArray name() const = 0;
    virtual bool decode(QByteArrayView bytes, QString& out) = 0;
    virtual qsizetype encode(QStringView text, QByteArray& out) = 0;
    // Whether a text can be converted in pieces that each end after a whole
    // character (never inside a surrogate pair): no character's bytes depend
    // on the characters around it.
    virtual bool piecewise() const { return false; }
    // The bytes a file in this encoding starts with (none for a code page).
    virtual QByteArray byteOrderMark() const { return {}; }
};

// The encoding of a file that starts with a UTF-16 or UTF-32 byte-order mark
// (head: its first bytes), or nullptr. Such a file is read and written in its
// own encoding, mark included; its decode accepts only valid text (it keeps
// no bytes: it returns false instead) and its encode refuses the kept bytes
// of a code page file and lone surrogates.
std::unique_ptr<Codec> byteOrderMarkCodec(QByteArrayView head);

// Any other code page, through a converter of the system. The converter's
// own error reports are not relied on: a conversion only counts when the
// result converts back to exactly what it came from, so a converter that
// substitutes or guesses quietly cannot change a byte or a character.
class ConverterCodec : public Codec {
public:
    bool decode(QByteArrayView bytes, QString& out) override;
    qsizetype encode(QStringView text, QByteArray& out) override;

protected:
    virtual bool rawDecode(QByteArrayView bytes, QString& out) = 0;
    virtual bool rawEncode(QStringView text, QByteArray& out) = 0;

private:
    qsizetype encodeRun(QStringView run, QByteArray& out);
};

// The code page in use.
Codec& codec();

// Back ends, one per platform: the system's converter for a code page name
// (nullptr when the system cannot convert it), and the locale's code page
// (never nullptr; nullptr from here means UTF-8).
std::unique_ptr<Codec> systemCodec(const QByteArray& name);
std::unique_ptr<Codec> localeSystemCodec();

// UTF-8 whatever the code page, with the same kept bytes: for file names,
// which the system stores as bytes. decodeUtf8Escaped sets *valid to false
// when some bytes were kept. encodeUtf8Escaped sets *ok to false when
// the text holds a character UTF-8 cannot store (a lone surrogate).
QString decodeUtf8Escaped(QByteArrayView bytes, bool* valid = nullptr);
QByteArray encodeUtf8Escaped(QStringView text, bool* ok);

// Whether a code page name means UTF-8, or the plain ASCII of a C locale.
bool isUtf8Name(QByteArray name);
bool isAsciiName(QByteArray name);

} // namespace pw::detail
