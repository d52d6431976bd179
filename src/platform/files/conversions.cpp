#include "conversions.h"

#include "platform/desktop/failure.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace pw {

namespace {

[[noreturn]] void mismatch(const QString& text, const QString& expected) {
    throw OperationError(QStringLiteral("A format setting could not be read"),
                         QLatin1Char('"') + text + QLatin1Char('"'),
                         QStringLiteral("It is not ") + expected + QLatin1Char('.'));
}

[[noreturn]] void overflow(const QString& text) {
    throw OperationError(QStringLiteral("A format setting could not be read"),
                         QLatin1Char('"') + text + QLatin1Char('"'),
                         QStringLiteral("The number is too large."));
}

// A finite decimal number, blanks around it ignored; false when there is none.
bool parseNumber(const QString& text, double* value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

} // namespace

float toSingle(const QString& text) {
    double v = 0;
    if (!parseNumber(text, &v))
        mismatch(text, QStringLiteral("a number"));
    if (std::fabs(v) > double(std::numeric_limits<float>::max()))
        overflow(text);
    return float(v);
}

bool toBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    double v = 0;
    if (!parseNumber(t, &v))
        mismatch(text, QStringLiteral("true, false or a number"));
    return v != 0;
}

qint32 toLong(const QString& text) {
    double v = 0;
    if (!parseNumber(text, &v))
        mismatch(text, QStringLiteral("a whole number"));
    const std::optional<qint32> r = roundToLong(v);
    if (!r)
        overflow(text);
    return *r;
}

std::optional<qint32> roundToLong(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // the default rounding: half to even
    if (r < double(std::numeric_limits<qint32>::min()) ||
        r > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(r);
}

} // namespace pw
