// The system's code page converter on Windows: the ANSI code page, through
// Qt.

#include "codepage_p.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace pw::detail {

namespace {

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

} // namespace

std::unique_ptr<Codec> systemCodec(const QByteArray& name) {
    if (name == "System")
        return std::make_unique<SystemCodec>();
    return nullptr;
}

std::unique_ptr<Codec> localeSystemCodec() {
    return std::make_unique<SystemCodec>();
}

} // namespace pw::detail
