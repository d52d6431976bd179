#pragma once
// The conversions of the language the windows are written in, as the format
// settings (kept as text) and the notification icon's messages (a number in a
// mouse position) use them. The text conversions accept what a user of the old Basic conversions
// would expect: blanks around the value are ignored, case does not matter, and a value that is no
// number (or is too large for its type) is an error, never a silent zero.

#include <QString>

#include <optional>

namespace pw {

// A size in points as a single-precision number: "8", " 36 ", "8.25", "1e1".
float toSingle(const QString& text);
// A weight: "true" and "false" in any case, or a number (non-zero is true).
bool toBoolean(const QString& text);
// A colour or other whole number as a signed 32-bit integer; a fraction is
// rounded half to even.
qint32 toLong(const QString& text);

// A number as a signed 32-bit integer: the nearest one, halves to the even
// neighbour. Nothing for a number outside the range or not a number.
std::optional<qint32> roundToLong(double value);

} // namespace pw
