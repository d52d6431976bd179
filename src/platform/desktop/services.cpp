#include "services.h"

#include "platform/print/printer.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace pw {

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
// Hands a file to the desktop through xdg-open, as Qt does, but says why
// when that fails: Qt only starts it and never hears how it ended.
// xdg-open ends as soon as the desktop has taken the file; one that takes
// longer (it waits for the program it started) is left running and counts
// as a success.
bool openWithXdgOpen(const QString& path, QString* reason) {
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return fail(QStringLiteral("xdg-open, the program that hands files to the desktop, is "
                                   "not installed. Install it (package xdg-utils) and try again."));
    auto* process = new QProcess(qApp);
    process->setProgram(opener);
    // A file URL, as Qt hands it over: xdg-open takes it to every desktop.
    process->setArguments({QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)});
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start();
    if (!process->waitForStarted(5000)) {
        const QString why = process->errorString();
        delete process;
        return fail(QStringLiteral("xdg-open could not be started: %1").arg(why));
    }
    constexpr int Wait = 3000;
    if (!process->waitForFinished(Wait)) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return true;
    }
    const bool crashed = process->exitStatus() != QProcess::NormalExit;
    const int code = process->exitCode();
    const QString said = QString::fromLocal8Bit(process->readAll()).trimmed().left(300);
    delete process;
    if (!crashed && code == 0)
        return true;
    QString why;
    switch (crashed ? -1 : code) {
    case 2:
        why = QStringLiteral("xdg-open did not find the file.");
        break;
    case 3:
        why = QStringLiteral("The desktop has no program for this type of file.");
        break;
    default:
        why = crashed ? QStringLiteral("xdg-open stopped unexpectedly.")
                      : QStringLiteral("xdg-open could not open it (exit code %1).").arg(code);
    }
    if (!said.isEmpty())
        why += QStringLiteral(" It said: ") + said;
    return fail(why);
}
#endif

// The width a title needs on the screen. The window manager draws it in a
// face of its own, often bold and larger than the program's, beside the
// window's icon and its buttons; Qt makes room for the title in its own face
// and 50 pixels more, so a box with a short text cut its title ("File
// Deleted" showed as "Fi...ed"). This allows for a bold face a fifth larger,
// an icon and three buttons.
int titleWidth(const QString& title) {
    QFont face = QApplication::font("QMdiSubWindowTitleBar");
    face.setBold(true);
    face.setPointSizeF(face.pointSizeF() * 1.2);
    return QFontMetrics(face).horizontalAdvance(title) + 4 * 32 + 32;
}

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
        // A row of the box's own layout as wide as the title needs: the box
        // sizes itself to fit its layout.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(titleWidth(title), 0, QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        box.exec();
    }

    void beep() override { QApplication::beep(); }

    void end() override {
        // Ends the process here and now: nothing after the handler's current
        // step runs, and no window is unloaded on the way out. A print job
        // still running is stopped first, so that nothing half-made is sent.
        endPrinting(0);
        std::fflush(nullptr);
        std::_Exit(0);
    }

    void quit() override { QCoreApplication::quit(); }

    bool openDocument(const QString& path, QString* reason) override {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        return openWithXdgOpen(path, reason);
#else
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return true;
        if (reason)
            *reason = QStringLiteral("The desktop has no program for this type of file.");
        return false;
#endif
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
