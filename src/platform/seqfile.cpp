#include "seqfile.h"

#include "failure.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <QThreadPool>
#endif
// The locale's code page is converted by the C library's iconv where it has
// one; macOS always uses UTF-8 and Windows its ANSI code page through Qt.
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#define PW_HAVE_ICONV 1
#endif

namespace pw {

namespace {

constexpr qsizetype ChunkSize = 1 << 16;
constexpr char16_t EscapeFirst = 0xDC80;
constexpr char16_t EscapeLast = 0xDCFF;

bool isEscape(char16_t c) {
    return c >= EscapeFirst && c <= EscapeLast;
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool endsInSeparator(const QString& path) {
    return path.endsWith(u'/') || path.endsWith(QDir::separator());
}

// Why a folder was named where a file was expected.
QString folderReason(const QString& path) {
    return endsInSeparator(path)
               ? QStringLiteral("No file name was given: the path names the folder itself.")
               : QStringLiteral("It is a folder, not a file.");
}

// Devices, pipes and sockets are neither read as text (reading could block
// or never end) nor replaced by a file.
QString notRegular(bool output) {
    return output ? QStringLiteral("It is not an ordinary file but a device, a pipe or a socket, "
                                   "and is not replaced by one.")
                  : QStringLiteral("It is not an ordinary file but a device, a pipe or a socket, "
                                   "and is not read as text.");
}

// ------------------------------------------------------------------ codecs

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
};

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

// Any other code page, through a converter of the system. The converter's
// own error reports are not relied on: a conversion only counts when the
// result converts back to exactly what it came from, so a converter that
// substitutes or guesses quietly cannot change a byte or a character.
class ConverterCodec : public Codec {
public:
    bool decode(QByteArrayView bytes, QString& out) override {
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

    qsizetype encode(QStringView text, QByteArray& out) override {
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

protected:
    virtual bool rawDecode(QByteArrayView bytes, QString& out) = 0;
    virtual bool rawEncode(QStringView text, QByteArray& out) = 0;

private:
    qsizetype encodeRun(QStringView run, QByteArray& out) {
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
                run[i].isHighSurrogate() && i + 1 < run.size() && run[i + 1].isLowSurrogate() ? 2
                                                                                              : 1;
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
};

#if defined(PW_HAVE_ICONV)

class IconvCodec final : public ConverterCodec {
public:
    static std::unique_ptr<IconvCodec> open(const QByteArray& name) {
        const char* unicode = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE";
        iconv_t dec = iconv_open(unicode, name.constData());
        if (dec == iconv_t(-1))
            return nullptr;
        iconv_t enc = iconv_open(name.constData(), unicode);
        if (enc == iconv_t(-1)) {
            iconv_close(dec);
            return nullptr;
        }
        return std::unique_ptr<IconvCodec>(new IconvCodec(name, dec, enc));
    }
    ~IconvCodec() override {
        iconv_close(m_dec);
        iconv_close(m_enc);
    }
    QByteArray name() const override { return m_name; }

protected:
    bool rawDecode(QByteArrayView bytes, QString& out) override {
        QByteArray units;
        if (!run(m_dec, bytes.data(), size_t(bytes.size()), units, 2 * bytes.size() + 16))
            return false;
        out.append(reinterpret_cast<const QChar*>(units.constData()), units.size() / 2);
        return true;
    }
    bool rawEncode(QStringView text, QByteArray& out) override {
        QByteArray bytes;
        if (!run(m_enc, reinterpret_cast<const char*>(text.utf16()), size_t(text.size()) * 2, bytes,
                 2 * text.size() + 16))
            return false;
        out += bytes;
        return true;
    }

private:
    IconvCodec(QByteArray name, iconv_t dec, iconv_t enc)
        : m_name(std::move(name)), m_dec(dec), m_enc(enc) {}

    static bool run(iconv_t cd, const char* in, size_t inLeft, QByteArray& out, qsizetype room) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        out.resize(room);
        char* inPtr = const_cast<char*>(in);
        qsizetype done = 0;
        for (;;) {
            char* outPtr = out.data() + done;
            size_t outLeft = size_t(out.size() - done);
            const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
            done = outPtr - out.data();
            if (r != size_t(-1)) {
                // Finish a shift state, if the code page has one.
                outLeft = size_t(out.size() - done);
                if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
                    return false;
                done = outPtr - out.data();
                out.truncate(done);
                // Reversible conversions only: glibc counts approximations.
                return r == 0;
            }
            if (errno != E2BIG)
                return false; // invalid or incomplete input
            out.resize(out.size() * 2);
        }
    }

    QByteArray m_name;
    iconv_t m_dec;
    iconv_t m_enc;
};

// The locale's character set, read from the environment without touching the
// process's own locale.
QByteArray localeCodeset() {
    QByteArray codeset;
    if (locale_t loc = newlocale(LC_CTYPE_MASK, "", locale_t(nullptr))) {
        codeset = nl_langinfo_l(CODESET, loc);
        freelocale(loc);
    } else {
        codeset = nl_langinfo(CODESET);
    }
    return codeset;
}

#elif defined(Q_OS_WIN)

// The platform's own 8-bit code page (the ANSI code page on Windows).
class SystemCodec final : public ConverterCodec {
public:
    QByteArray name() const override { return QByteArrayLiteral("System"); }

protected:
    bool rawDecode(QByteArrayView bytes, QString& out) override {
        QStringDecoder d(QStringConverter::System, QStringConverter::Flag::Stateless);
        const QString text = d.decode(bytes);
        if (d.hasError())
            return false;
        out += text;
        return true;
    }
    bool rawEncode(QStringView text, QByteArray& out) override {
        QStringEncoder e(QStringConverter::System, QStringConverter::Flag::Stateless);
        const QByteArray bytes = e.encode(text);
        if (e.hasError())
            return false;
        out += bytes;
        return true;
    }
};

#endif

bool isUtf8Name(QByteArray name) {
    name = name.toUpper().replace('-', "").replace('_', "");
    return name == "UTF8";
}

// The character sets of a C or POSIX locale.
[[maybe_unused]] bool isAsciiName(QByteArray name) {
    name = name.toUpper();
    return name.isEmpty() || name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII" ||
           name == "646";
}

std::unique_ptr<Codec> makeCodec(const QByteArray& name) {
    if (isUtf8Name(name))
        return std::make_unique<Utf8Codec>();
#if defined(PW_HAVE_ICONV)
    return IconvCodec::open(name);
#elif defined(Q_OS_WIN)
    if (name == "System")
        return std::make_unique<SystemCodec>();
    return nullptr;
#else
    return nullptr;
#endif
}

std::unique_ptr<Codec> localeCodec() {
#if defined(PW_HAVE_ICONV)
    const QByteArray codeset = localeCodeset();
    if (isAsciiName(codeset) || isUtf8Name(codeset))
        return std::make_unique<Utf8Codec>();
    if (auto codec = IconvCodec::open(codeset))
        return codec;
    // A locale whose character set cannot be converted: UTF-8, like Qt.
    return std::make_unique<Utf8Codec>();
#elif defined(Q_OS_WIN)
    return std::make_unique<SystemCodec>();
#else
    return std::make_unique<Utf8Codec>();
#endif
}

std::unique_ptr<Codec>& codecSlot() {
    static std::unique_ptr<Codec> codec;
    return codec;
}

Codec& codec() {
    auto& slot = codecSlot();
    if (!slot)
        slot = localeCodec();
    return *slot;
}

// Line and column (from 1) of a character in a text, for messages; every
// kind of line break counts.
std::pair<qsizetype, qsizetype> lineAndColumn(QStringView text, qsizetype index) {
    qsizetype line = 1, lineStart = 0;
    for (qsizetype i = 0; i < index; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        if (c == u'\r' && i + 1 < index && text[i + 1] == u'\n')
            ++i;
        ++line;
        lineStart = i + 1;
    }
    return {line, index - lineStart + 1};
}

} // namespace

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
    std::unique_ptr<Codec> next = name.isEmpty() ? localeCodec() : makeCodec(name);
    if (!next)
        return false;
    codecSlot() = std::move(next);
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

// ------------------------------------------------------------------ files

SequentialFile::SequentialFile(const QString& path, Mode mode, Durability durability)
    : m_path(path), m_durability(durability) {
    const QFileInfo info(path);
    if (mode == Output) {
        const QString what = QStringLiteral("Could not write the file");
        if (info.isDir())
            throw OperationError(what, shown(path), folderReason(path));
        if (info.exists() && !info.isFile())
            throw OperationError(what, shown(path), notRegular(mode == Output));
        if (info.exists() && !info.isWritable())
            throw OperationError(what, shown(path), QStringLiteral("The file is read-only."));
        // A missing folder is said as such. The current folder, where a bare
        // name goes, may have been removed since the program started; the
        // system's own reason for that is "Operation not permitted".
        if (info.isRelative() && QDir::currentPath().isEmpty())
            throw OperationError(what, path,
                                 QStringLiteral("The current folder no longer exists: it was "
                                                "removed, or its drive was disconnected."));
        if (!QFileInfo::exists(info.absolutePath()))
            throw OperationError(what, shown(path),
                                 QStringLiteral("The folder it goes in does not exist."));
        m_out = std::make_unique<QSaveFile>(path);
        // Unbuffered: every write reaches the system at once and its length
        // is checked there, not in a flush whose failure could go unseen.
        if (!m_out->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw OperationError(what, shown(path), m_out->errorString());
#if defined(Q_OS_UNIX)
        // A replaced file keeps its permissions and, where allowed, its owner.
        struct stat st;
        if (info.exists() && ::stat(QFile::encodeName(path).constData(), &st) == 0) {
            const int fd = m_out->handle();
            if (::fchmod(fd, st.st_mode & 07777) != 0)
                throw OperationError(what, shown(path), QString::fromLocal8Bit(strerror(errno)));
            if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
                // Another owner cannot be given away; the group is kept if it
                // can be.
                [[maybe_unused]] const int r = ::fchown(fd, uid_t(-1), st.st_gid);
            }
        }
#endif
    } else {
        const QString what = QStringLiteral("Could not open the file");
        if (info.isDir())
            throw OperationError(what, shown(path), folderReason(path));
        if (!info.exists())
            throw OperationError(what, shown(path), QStringLiteral("The file does not exist."));
        if (!info.isFile())
            throw OperationError(what, shown(path), notRegular(mode == Output));
        m_in = std::make_unique<QFile>(path);
        if (!m_in->open(QIODevice::ReadOnly))
            throw OperationError(what, shown(path), m_in->errorString());
        m_length = m_in->size();
    }
}

SequentialFile::~SequentialFile() {
    if (m_out)
        m_out->cancelWriting();
}

void SequentialFile::writeFailed(const QString& reason) {
    // The temporary file goes; the target was never touched.
    m_out->cancelWriting();
    m_out.reset();
    throw OperationError(QStringLiteral("Could not write the file"), shown(m_path), reason);
}

void SequentialFile::Print(const QString& text) {
    if (!m_out)
        throw OperationError(QStringLiteral("Could not write the file"), shown(m_path),
                             QStringLiteral("The file is not open for output."));
    m_printed = 0;
    // Where the code page allows it, the text is converted and written a
    // piece at a time through one small buffer, each piece while it is still
    // in the processor's cache; a large text needs no second copy of itself.
    // A character found unstorable on the way throws the whole temporary
    // file away, so the target is untouched all the same.
    const QStringView all(text);
    const qsizetype piece = codec().piecewise() ? 64 * 1024 : all.size();
    QByteArray bytes;
    for (qsizetype at = 0; at < all.size();) {
        qsizetype n = qMin(piece, all.size() - at);
        if (at + n < all.size() && QChar::isHighSurrogate(all[at + n - 1].unicode()))
            ++n; // a pair stays whole
        bytes.resize(0);
        const qsizetype bad = codec().encode(all.sliced(at, n), bytes);
        if (bad >= 0) {
            const auto [line, column] = lineAndColumn(text, at + bad);
            writeFailed(QStringLiteral("The character %1 in line %2, column %3 cannot be stored in "
                                       "the system's character set (%4). Nothing was written.")
                            .arg(describeCharacter(text, at + bad))
                            .arg(line)
                            .arg(column)
                            .arg(QString::fromLatin1(codec().name())));
        }
        at += n;
        if (at == all.size())
            bytes.append("\r\n", 2);
        write(bytes, text);
    }
    if (all.isEmpty())
        write(QByteArrayLiteral("\r\n"), text);
}

void SequentialFile::write(const QByteArray& bytes, const QString& text) {
    const qint64 written = m_out->write(bytes);
    if (written == bytes.size()) {
        m_printed += written;
        return;
    }
    QString reason = m_out->errorString();
    if (written >= 0 || reason.isEmpty()) {
        // How much of this Print's text reached the file, of how much.
        const qint64 done = m_printed + qMax<qint64>(written, 0);
        QByteArray whole;
        if (codec().encode(text, whole) < 0)
            reason = QStringLiteral("Only %1 of %2 bytes could be written; the disk may be full.")
                         .arg(done)
                         .arg(whole.size() + 2);
        else
            reason =
                QStringLiteral("Only %1 bytes could be written; the disk may be full.").arg(done);
    }
    writeFailed(reason);
}

bool SequentialFile::fill() {
    if (m_atEnd)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + ChunkSize);
    const qint64 got = m_in->read(m_buffer.data() + old, ChunkSize);
    if (got < 0) {
        m_buffer.resize(old);
        throw OperationError(QStringLiteral("Could not read the file"), shown(m_path),
                             m_in->errorString());
    }
    m_buffer.resize(old + got);
    if (got == 0)
        m_atEnd = true;
    return got > 0;
}

bool SequentialFile::Eof() {
    if (!m_in)
        return true;
    while (m_pos >= m_buffer.size()) {
        if (!fill())
            return true;
    }
    return false;
}

QString SequentialFile::LineInput() {
    if (Eof())
        throw OperationError(QStringLiteral("Could not read the file"), shown(m_path),
                             QStringLiteral("The end of the file was passed."));
    // Look for the CR only in what was not searched yet: a long line may
    // take many chunks.
    qsizetype searched = 0;
    qsizetype cr;
    while ((cr = m_buffer.indexOf('\r', m_pos + searched)) < 0) {
        searched = m_buffer.size() - m_pos;
        if (!fill())
            break;
    }
    const qsizetype end = cr < 0 ? m_buffer.size() : cr;
    QString line;
    if (!codec().decode(QByteArrayView(m_buffer.constData() + m_pos, end - m_pos), line))
        m_undecodable = true;
    m_pos = end;
    if (cr >= 0) {
        ++m_pos; // the CR
        if (m_pos >= m_buffer.size())
            fill();
        if (m_pos < m_buffer.size() && m_buffer[m_pos] == '\n')
            ++m_pos;
    }
    return line;
}

void SequentialFile::Close() {
    if (m_out) {
#if defined(Q_OS_UNIX)
        // A durable file is all on the disk before it replaces the old one.
        if (m_durability == Durable && ::fsync(m_out->handle()) != 0)
            writeFailed(QString::fromLocal8Bit(strerror(errno)));
#endif
#if defined(Q_OS_LINUX)
        // A large file being replaced is let go on another thread: when its
        // last name goes, the system frees its pages and blocks there and
        // then, which takes longer than writing the new one. (Its disk stays
        // busy for that moment; a small file is let go at once.)
        constexpr off_t Large = 1 << 20;
        int replaced = ::open(QFile::encodeName(m_path).constData(), O_PATH | O_CLOEXEC);
        struct stat old;
        if (replaced >= 0 && (::fstat(replaced, &old) != 0 || old.st_size < Large)) {
            ::close(replaced);
            replaced = -1;
        }
        const auto release = [replaced] {
            if (replaced >= 0)
                QThreadPool::globalInstance()->start([replaced] { ::close(replaced); });
        };
#else
        const auto release = [] {};
#endif
        if (!m_out->commit()) {
            release();
            const QString reason = m_out->errorString();
            m_out.reset();
            throw OperationError(QStringLiteral("Could not write the file"), shown(m_path), reason);
        }
        release();
        m_out.reset();
    } else if (m_in) {
        m_in->close();
        m_in.reset();
    }
}

void Kill(const QString& path) {
    const QString what = QStringLiteral("Could not delete the file");
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        throw OperationError(what, shown(path), QStringLiteral("The file does not exist."));
    if (info.isDir())
        throw OperationError(what, shown(path), folderReason(path));
    QFile file(path);
    if (!file.remove())
        throw OperationError(what, shown(path), file.errorString());
}

} // namespace pw
