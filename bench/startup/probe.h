#pragma once
// Reports, once, that a text area has painted and holds the keyboard focus,
// with the process's peak memory, then ends the process at once.

#include <QEvent>
#include <QFile>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

inline long peakKilobytes() {
#ifdef Q_OS_LINUX
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
#endif
    return -1;
}

class ReadyProbe : public QObject {
public:
    explicit ReadyProbe(QWidget* text) : m_text(text) { text->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && m_text->hasFocus()) {
            std::printf("ready %ld\n", peakKilobytes());
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }

private:
    QWidget* m_text;
};
