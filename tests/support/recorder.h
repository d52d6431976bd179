#pragma once
// Stands in for the desktop in tests: records message boxes, beeps, the end
// of the program and what was handed to the desktop, instead of doing it.

#include "platform/desktop/services.h"

#include <QStringList>
#include <vector>

struct RecordedBox {
    QString text;
    int style;
    QString title;
};

class Recorder : public pw::Services {
public:
    Recorder() { pw::setServices(this); }
    ~Recorder() override { pw::setServices(nullptr); }

    void msgBox(const QString& text, int style, const QString& title) override {
        boxes.push_back({text, style, title});
        events << QStringLiteral("msgbox");
    }
    void beep() override { events << QStringLiteral("beep"); }
    void end() override { events << QStringLiteral("end"); }
    void quit() override { events << QStringLiteral("quit"); }
    bool openDocument(const QString& path, QString* reason) override {
        events << QStringLiteral("open ") + path;
        if (!openSucceeds && reason)
            *reason = QStringLiteral("no program for this type");
        return openSucceeds;
    }
    bool startProgram(const QString& program, const QStringList& args, QString* reason) override {
        events << QStringLiteral("start ") + program + QLatin1Char(' ') + args.join(u' ');
        if (!startSucceeds && reason)
            *reason = QStringLiteral("not found");
        return startSucceeds;
    }

    std::vector<RecordedBox> boxes;
    QStringList events;
    bool openSucceeds = true;
    bool startSucceeds = true;
};

// Unloads every window that is still loaded and lets Qt delete them, so that
// the next test starts with fresh default instances.
void unloadAllWindows();
