// The system's code page converter on Unix: the C library's iconv, and the
// locale's character set. macOS always reads and writes UTF-8.

#include "codepage_p.h"

#include <QtGlobal>

#if !defined(Q_OS_DARWIN)
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#endif

namespace pw::detail {

#if !defined(Q_OS_DARWIN)

namespace {

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

} // namespace

std::unique_ptr<Codec> systemCodec(const QByteArray& name) {
    return IconvCodec::open(name);
}

std::unique_ptr<Codec> localeSystemCodec() {
    const QByteArray codeset = localeCodeset();
    if (isAsciiName(codeset) || isUtf8Name(codeset))
        return nullptr;
    // A locale whose character set cannot be converted gets UTF-8, like Qt.
    return IconvCodec::open(codeset);
}

#else

std::unique_ptr<Codec> systemCodec(const QByteArray&) {
    return nullptr;
}

std::unique_ptr<Codec> localeSystemCodec() {
    return nullptr;
}

#endif

} // namespace pw::detail
