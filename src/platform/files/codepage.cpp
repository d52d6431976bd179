#include "codepage.h"

#include "codepage_p.h"

#include <QStringEncoder>

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace pw {

namespace detail {

namespace {

// Whether any of the n UTF-16 units is a surrogate (U+D800..U+DFFF); several
// units are looked at in each step.
bool hasSurrogate(const char16_t* s, qsizetype n) {
    qsizetype i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i top = _mm_set1_epi16(short(0xF800)), surrogate = _mm_set1_epi16(short(0xD800));
    const auto any = [&](qsizetype at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
        return _mm_cmpeq_epi16(_mm_and_si128(v, top), surrogate);
    };
    for (; n - i >= 32; i += 32) {
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(any(i), any(i + 8)), _mm_or_si128(any(i + 16), any(i + 24)));
        if (_mm_movemask_epi8(hits))
            return true;
    }
#endif
    constexpr quint64 Top = 0xF800F800F800F800ULL, Surrogate = 0xD800D800D800D800ULL;
    constexpr quint64 Ones = 0x0001000100010001ULL, Highs = 0x8000800080008000ULL;
    for (; n - i >= 4; i += 4) {
        quint64 word;
        std::memcpy(&word, s + i, 8);
        const quint64 x = (word & Top) ^ Surrogate; // a lane is 0 for a surrogate
        if ((x - Ones) & ~x & Highs)
            return true;
    }
    for (; i < n; ++i)
        if (QChar::isSurrogate(s[i]))
            return true;
    return false;
}

// UTF-8, done here rather than by Qt: Qt's decoder drops a leading byte-order
// mark and turns invalid bytes into U+FFFD, and both would change the file.
class Utf8Codec final : public Codec {
public:
    QByteArray name() const override { return QByteArrayLiteral("UTF-8"); }

    bool decode(QByteArrayView bytes, QString& out) override {
        const qsizetype old = out.size();
        // One UTF-16 unit per byte at most (four bytes give a pair).
        out.resize(old + bytes.size());
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + old;
        char16_t* const start = dst;
        const auto* p = reinterpret_cast<const uchar*>(bytes.data());
        const uchar* const end = p + bytes.size();
        bool clean = true;
        while (p < end) {
            while (end - p >= 8) {
                quint64 word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                for (int i = 0; i < 8; ++i)
                    dst[i] = p[i];
                p += 8;
                dst += 8;
            }
            if (p >= end)
                break;
            const uchar b = *p;
            if (b < 0x80) {
                *dst++ = b;
                ++p;
                continue;
            }
            int more = 0;
            char32_t cp = 0;
            uchar lo = 0x80, hi = 0xBF; // allowed range of the second byte
            if (b >= 0xC2 && b <= 0xDF) {
                more = 1;
                cp = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                more = 2;
                cp = b & 0x0F;
                if (b == 0xE0)
                    lo = 0xA0; // no overlong forms
                else if (b == 0xED)
                    hi = 0x9F; // no surrogates
            } else if (b >= 0xF0 && b <= 0xF4) {
                more = 3;
                cp = b & 0x07;
                if (b == 0xF0)
                    lo = 0x90;
                else if (b == 0xF4)
                    hi = 0x8F; // nothing above U+10FFFF
            }
            bool valid = more > 0 && end - p > more;
            for (int i = 1; valid && i <= more; ++i) {
                const uchar c = p[i];
                if (c < (i == 1 ? lo : 0x80) || c > (i == 1 ? hi : 0xBF))
                    valid = false;
                else
                    cp = (cp << 6) | (c & 0x3F);
            }
            if (!valid) {
                // Only this byte is kept as it is; the next one is looked at
                // afresh.
                *dst++ = char16_t(0xDC00 + b);
                ++p;
                clean = false;
                continue;
            }
            if (cp >= 0x10000) {
                *dst++ = QChar::highSurrogate(cp);
                *dst++ = QChar::lowSurrogate(cp);
            } else {
                *dst++ = char16_t(cp);
            }
            p += more + 1;
        }
        out.truncate(old + (dst - start));
        return clean;
    }

    bool piecewise() const override { return true; }

    qsizetype encode(QStringView text, QByteArray& out) override {
        const char16_t* const s = text.utf16();
        const qsizetype n = text.size();
        // Text without surrogates (nearly all text) is plain UTF-8, which
        // Qt's encoder writes several characters at a time.
        if (!hasSurrogate(s, n)) {
            QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            const qsizetype old = out.size();
            out.resize(old + encoder.requiredSpace(n));
            char* const end = encoder.appendToBuffer(out.data() + old, text);
            out.truncate(end - out.constData());
            return -1;
        }
        // Count first, so that a refused text allocates nothing and the
        // bytes are written in one go.
        qsizetype need = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = s[i];
            if (c < 0x80)
                need += 1;
            else if (c < 0x800)
                need += 2;
            else if (QChar::isHighSurrogate(c)) {
                if (i + 1 >= n || !QChar::isLowSurrogate(s[i + 1]))
                    return i;
                need += 4;
                ++i;
            } else if (QChar::isLowSurrogate(c)) {
                if (!isEscape(c))
                    return i;
                need += 1;
            } else {
                need += 3;
            }
        }
        const qsizetype old = out.size();
        out.resize(old + need);
        auto* d = reinterpret_cast<uchar*>(out.data()) + old;
        for (qsizetype i = 0; i < n; ++i) {
            while (n - i >= 4) {
                quint64 word;
                std::memcpy(&word, s + i, 8);
                if (word & 0xFF80FF80FF80FF80ULL)
                    break;
                d[0] = uchar(s[i]);
                d[1] = uchar(s[i + 1]);
                d[2] = uchar(s[i + 2]);
                d[3] = uchar(s[i + 3]);
                d += 4;
                i += 4;
            }
            if (i >= n)
                break;
            const char16_t c = s[i];
            if (c < 0x80) {
                *d++ = uchar(c);
            } else if (c < 0x800) {
                *d++ = uchar(0xC0 | (c >> 6));
                *d++ = uchar(0x80 | (c & 0x3F));
            } else if (QChar::isHighSurrogate(c)) {
                const char32_t cp = QChar::surrogateToUcs4(c, s[i + 1]);
                ++i;
                *d++ = uchar(0xF0 | (cp >> 18));
                *d++ = uchar(0x80 | ((cp >> 12) & 0x3F));
                *d++ = uchar(0x80 | ((cp >> 6) & 0x3F));
                *d++ = uchar(0x80 | (cp & 0x3F));
            } else if (QChar::isLowSurrogate(c)) {
                *d++ = uchar(c - 0xDC00); // a kept byte
            } else {
                *d++ = uchar(0xE0 | (c >> 12));
                *d++ = uchar(0x80 | ((c >> 6) & 0x3F));
                *d++ = uchar(0x80 | (c & 0x3F));
            }
        }
        return -1;
    }
};

// UTF-16 or UTF-32 in either byte order, for files that say so with a
// byte-order mark.
class UnicodeCodec final : public Codec {
public:
    UnicodeCodec(int unit, bool bigEndian) : m_unit(unit), m_big(bigEndian) {}

    QByteArray name() const override {
        return QByteArray(m_unit == 2 ? "UTF-16" : "UTF-32") + (m_big ? "BE" : "LE");
    }
    QByteArray byteOrderMark() const override {
        QByteArray mark;
        put(0xFEFF, mark);
        return mark;
    }
    bool piecewise() const override { return true; }

    bool decode(QByteArrayView bytes, QString& out) override {
        if (bytes.size() % m_unit)
            return false;
        out.reserve(out.size() + bytes.size() / m_unit);
        const auto* p = reinterpret_cast<const uchar*>(bytes.data());
        for (qsizetype i = 0; i < bytes.size(); i += m_unit) {
            const char32_t c = get(p + i);
            if (m_unit == 4) {
                if (c > 0x10FFFF || QChar::isSurrogate(c))
                    return false;
                if (QChar::requiresSurrogates(c)) {
                    out += QChar(QChar::highSurrogate(c));
                    out += QChar(QChar::lowSurrogate(c));
                } else {
                    out += QChar(char16_t(c));
                }
                continue;
            }
            if (QChar::isLowSurrogate(c))
                return false;
            if (QChar::isHighSurrogate(c)) {
                if (i + 2 >= bytes.size() || !QChar::isLowSurrogate(get(p + i + 2)))
                    return false;
                out += QChar(char16_t(c));
                i += 2;
                out += QChar(char16_t(get(p + i)));
                continue;
            }
            out += QChar(char16_t(c));
        }
        return true;
    }

    qsizetype encode(QStringView text, QByteArray& out) override {
        out.reserve(out.size() + text.size() * m_unit);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                QChar::isLowSurrogate(text[i + 1].unicode())) {
                const char16_t low = text[i + 1].unicode();
                if (m_unit == 2) {
                    put(c, out);
                    put(low, out);
                } else {
                    put(QChar::surrogateToUcs4(c, low), out);
                }
                ++i;
                continue;
            }
            if (QChar::isSurrogate(c))
                return i; // a lone half, or a byte kept from a code page file
            put(c, out);
        }
        return -1;
    }

private:
    char32_t get(const uchar* p) const {
        char32_t c = 0;
        for (int k = 0; k < m_unit; ++k)
            c |= char32_t(p[m_big ? m_unit - 1 - k : k]) << (8 * k);
        return c;
    }
    void put(char32_t c, QByteArray& out) const {
        for (int k = 0; k < m_unit; ++k)
            out += char((c >> (8 * (m_big ? m_unit - 1 - k : k))) & 0xFF);
    }

    int m_unit;
    bool m_big;
};

} // namespace

bool ConverterCodec::decode(QByteArrayView bytes, QString& out) {
    QString text;
    QByteArray back;
    if (rawDecode(bytes, text) && rawEncode(text, back) && back == bytes) {
        out += text;
        return true;
    }
    // Character by character: the shortest run of bytes that makes one
    // character and comes back unchanged; otherwise the byte is kept.
    bool clean = true;
    qsizetype pos = 0;
    const qsizetype n = bytes.size();
    while (pos < n) {
        bool found = false;
        for (qsizetype len = 1; len <= 4 && pos + len <= n && !found; ++len) {
            const QByteArrayView piece = bytes.sliced(pos, len);
            text.clear();
            back.clear();
            if (!rawDecode(piece, text) || text.isEmpty() || text.size() > 2)
                continue;
            if (text.size() == 2 && !(text[0].isHighSurrogate() && text[1].isLowSurrogate()))
                continue;
            if (!rawEncode(text, back) || back != piece)
                continue;
            out += text;
            pos += len;
            found = true;
        }
        if (found)
            continue;
        const uchar b = uchar(bytes[pos]);
        // Bytes below 0x80 are plain ASCII in every code page a locale
        // uses; one that is not is taken as its ASCII character.
        out += b >= 0x80 ? QChar(char16_t(0xDC00 + b)) : QChar(char16_t(b));
        clean = false;
        ++pos;
    }
    return clean;
}

qsizetype ConverterCodec::encode(QStringView text, QByteArray& out) {
    // Kept bytes go out as they are; the runs between them are converted.
    qsizetype runStart = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            ++i; // a pair, whatever its second half
            continue;
        }
        if (i < n && !isEscape(text[i].unicode()))
            continue;
        if (i > runStart) {
            const qsizetype bad = encodeRun(text.sliced(runStart, i - runStart), out);
            if (bad >= 0)
                return runStart + bad;
        }
        if (i < n)
            out.append(char(text[i].unicode() - 0xDC00));
        runStart = i + 1;
    }
    return -1;
}

qsizetype ConverterCodec::encodeRun(QStringView run, QByteArray& out) {
    QByteArray bytes;
    QString back;
    if (rawEncode(run, bytes) && rawDecode(bytes, back) && back == run) {
        out += bytes;
        return -1;
    }
    // Character by character, as a file is read when its line does not
    // convert whole: a converter that composes (a letter and a combining
    // accent read as one precomposed letter) cannot take the run whole,
    // though each of its characters has bytes of its own.
    QByteArray each;
    for (qsizetype i = 0; i < run.size(); ++i) {
        const qsizetype len =
            run[i].isHighSurrogate() && i + 1 < run.size() && run[i + 1].isLowSurrogate() ? 2 : 1;
        const QStringView one = run.sliced(i, len);
        bytes.clear();
        back.clear();
        if (!rawEncode(one, bytes) || !rawDecode(bytes, back) || back != one)
            return i;
        each += bytes;
        i += len - 1;
    }
    out += each;
    return -1;
}

QString decodeUtf8Escaped(QByteArrayView bytes, bool* valid) {
    QString text;
    const bool clean = Utf8Codec().decode(bytes, text);
    if (valid)
        *valid = clean;
    return text;
}

QByteArray encodeUtf8Escaped(QStringView text, bool* ok) {
    QByteArray bytes;
    *ok = Utf8Codec().encode(text, bytes) < 0;
    return bytes;
}

std::unique_ptr<Codec> byteOrderMarkCodec(QByteArrayView head) {
    const auto starts = [&](const char* mark, int n) {
        return head.size() >= n && std::memcmp(head.data(), mark, size_t(n)) == 0;
    };
    // UTF-32's little-endian mark begins with UTF-16's, so it is looked for
    // first.
    if (starts("\xFF\xFE\0\0", 4))
        return std::make_unique<UnicodeCodec>(4, false);
    if (starts("\0\0\xFE\xFF", 4))
        return std::make_unique<UnicodeCodec>(4, true);
    if (starts("\xFF\xFE", 2))
        return std::make_unique<UnicodeCodec>(2, false);
    if (starts("\xFE\xFF", 2))
        return std::make_unique<UnicodeCodec>(2, true);
    return nullptr;
}

bool isUtf8Name(QByteArray name) {
    name = name.toUpper().replace('-', "").replace('_', "");
    return name == "UTF8";
}

bool isAsciiName(QByteArray name) {
    name = name.toUpper();
    return name.isEmpty() || name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII" ||
           name == "646";
}

namespace {

std::unique_ptr<Codec> makeCodec(const QByteArray& name) {
    if (isUtf8Name(name))
        return std::make_unique<Utf8Codec>();
    return systemCodec(name);
}

std::unique_ptr<Codec> localeCodec() {
    if (auto codec = localeSystemCodec())
        return codec;
    return std::make_unique<Utf8Codec>();
}

std::unique_ptr<Codec>& codecSlot() {
    static std::unique_ptr<Codec> codec;
    return codec;
}

} // namespace

Codec& codec() {
    auto& slot = codecSlot();
    if (!slot)
        slot = localeCodec();
    return *slot;
}

} // namespace detail

using detail::codec;

QByteArray toCodePage(QStringView text, bool* ok, qsizetype* firstBad) {
    QByteArray bytes;
    const qsizetype bad = codec().encode(text, bytes);
    if (ok)
        *ok = bad < 0;
    if (firstBad)
        *firstBad = bad;
    if (bad >= 0)
        bytes.clear();
    return bytes;
}

QString fromCodePage(QByteArrayView bytes, bool* ok) {
    QString text;
    const bool clean = codec().decode(bytes, text);
    if (ok)
        *ok = clean;
    return text;
}

QByteArray codePageName() {
    return codec().name();
}

bool setCodePage(const QByteArray& name) {
    std::unique_ptr<detail::Codec> next =
        name.isEmpty() ? detail::localeCodec() : detail::makeCodec(name);
    if (!next)
        return false;
    detail::codecSlot() = std::move(next);
    return true;
}

QString describeCharacter(QStringView text, qsizetype index) {
    if (index < 0 || index >= text.size())
        return {};
    char32_t cp = text[index].unicode();
    if (QChar::isHighSurrogate(cp) && index + 1 < text.size() &&
        QChar::isLowSurrogate(text[index + 1].unicode()))
        cp = QChar::surrogateToUcs4(text[index].unicode(), text[index + 1].unicode());
    QString out = QStringLiteral("U+") +
                  QString::number(uint(cp), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    if (!QChar::isSurrogate(cp) && QChar::isPrint(cp))
        out += QStringLiteral(" (") + QString::fromUcs4(&cp, 1) + QLatin1Char(')');
    return out;
}

} // namespace pw
