#include "testfiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

bool waitFor(const std::function<bool()>& ready, int ms, int stepMs) {
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (t.hasExpired(ms))
            return false;
        QTest::qWait(stepMs);
    }
    return true;
}
