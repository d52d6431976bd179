#pragma once
// Everything that leaves the process or blocks the user goes through here, so
// that tests can put a recorder in place of the real desktop.

#include <QString>
#include <QStringList>

namespace pw {

// The message box styles the program uses.
enum MsgBoxStyle { MsgBoxCritical = 16, MsgBoxExclamation = 48, MsgBoxInformation = 64 };

class Services {
public:
    virtual ~Services() = default;

    // A message box with one OK button; returns when the user closes it.
    virtual void msgBox(const QString& text, int style, const QString& title) = 0;
    // The default system sound.
    virtual void beep() = 0;
    // Ends the program at once; no window's unload handler runs.
    virtual void end() = 0;
    // The last loaded window was unloaded: the program ends once the running
    // handler returns.
    virtual void quit() = 0;
    // Hands a file to the program the desktop associates with its type.
    // Returns false (with a reason) when the desktop could not take it: no
    // program for the type, or on Unix xdg-open missing or failing.
    virtual bool openDocument(const QString& path, QString* reason) = 0;
    // Starts a program without waiting for it.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              QString* reason) = 0;
};

// The services in use (the real desktop unless a test has set others).
Services& services();
// Puts other services in place; nullptr restores the real ones. Not owned.
void setServices(Services* replacement);

} // namespace pw
