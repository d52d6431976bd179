#pragma once
// Small helpers the tests share: whole-file reads and writes, and waiting for
// a condition while events run.

#include <QByteArray>
#include <QString>

#include <functional>

// The file's bytes; "<missing>" when it cannot be read, so that a comparison
// with the expected bytes names the fault.
QByteArray readAll(const QString& path);

// Writes bytes as the whole file; false when it could not be written fully.
bool writeAll(const QString& path, const QByteArray& bytes);

// Runs events until ready() holds (true) or ms have passed (false).
bool waitFor(const std::function<bool()>& ready, int ms, int stepMs = 200);
