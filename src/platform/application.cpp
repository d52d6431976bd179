#include "application.h"

#include "fileops_p.h"
#include "printer.h"

#include <QApplication>
#include <QByteArray>

#include <cstdio>

namespace pw {

namespace {

// On X11 and Wayland desktops a missing display would end in a crash deep in
// the window system; say it plainly instead.
bool haveDisplay() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

QStringList& fileArguments() {
    static QStringList files;
    return files;
}

} // namespace

QStringList commandLineFiles() {
    return fileArguments();
}

void prepareApplication() {
    QApplication::setApplicationName(QStringLiteral("Pagewick"));
    // A hidden window is still loaded; the program ends when its last window
    // is unloaded, not when the last visible one closes.
    QApplication::setQuitOnLastWindowClosed(false);
}

int runApplication(int& argc, char** argv, const std::function<void()>& startup) {
    if (!haveDisplay()) {
        std::fputs("pagewick: there is no display to show the window on "
                   "(neither DISPLAY nor WAYLAND_DISPLAY is set).\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    prepareApplication();
    // Qt has taken its own options out of the arguments by now.
#ifdef Q_OS_WIN
    fileArguments() = QApplication::arguments().mid(1);
#else
    for (int i = 1; i < argc; ++i)
        fileArguments() << detail::decodeFileName(QByteArray(argv[i]));
#endif
    startup();
    const int code = app.exec();
    // A print job still running is stopped and its thread joined while the
    // application is whole.
    endPrinting(code);
    return code;
}

} // namespace pw
