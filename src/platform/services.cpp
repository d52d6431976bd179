#include "services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace pw {

namespace {

class DesktopServices final : public Services {
public:
    void msgBox(const QString& text, int style, const QString& title) override {
        QMessageBox box;
        box.setWindowTitle(title);
        box.setText(text);
        switch (style) {
        case MsgBoxCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgBoxExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgBoxInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    }

    void beep() override { QApplication::beep(); }

    void end() override {
        // Ends the process here and now: nothing after the handler's current
        // step runs, and no window is unloaded on the way out.
        std::fflush(nullptr);
        std::_Exit(0);
    }

    void quit() override { QCoreApplication::quit(); }

    bool openDocument(const QString& path, QString* reason) override {
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return true;
        if (reason)
            *reason = QStringLiteral("The desktop has no program for this type of file.");
        return false;
    }

    bool startProgram(const QString& program, const QStringList& arguments,
                      QString* reason) override {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        if (process.startDetached())
            return true;
        if (reason)
            *reason = process.errorString();
        return false;
    }
};

DesktopServices g_desktop;
Services* g_current = &g_desktop;

} // namespace

Services& services() {
    return *g_current;
}

void setServices(Services* replacement) {
    g_current = replacement ? replacement : &g_desktop;
}

} // namespace pw
