#pragma once
// What the benchmarks share: services that leave the desktop alone, the
// process's memory figures and medians.

#include "platform/desktop/services.h"
#include "support/median.h"

#include <QFile>
#include <cstdio>

// No message boxes to wait for, no sound; a failure is printed.
class QuietServices final : public pw::Services {
public:
    void msgBox(const QString& text, int style, const QString&) override {
        if (style == pw::MsgBoxCritical)
            std::fprintf(stderr, "failed: %s\n", qPrintable(text));
    }
    void beep() override {}
    void end() override {}
    void quit() override {}
    bool openDocument(const QString&, QString*) override { return true; }
    bool startProgram(const QString&, const QStringList&, QString*) override { return true; }
};

// A memory figure of this process from /proc/self/status ("VmHWM:",
// "VmRSS:"), in bytes; 0 where there is none.
inline qint64 statusValue(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}
