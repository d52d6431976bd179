// The Open and Delete dialogs on a large folder: the time from asking for the
// dialog until it is on the screen with its file list filled. Run it with the accessibility bridge
// on to see what a screen reader's user waits for, for example
//   QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 dbus-run-session -- sh -c
//     "/usr/libexec/at-spi-bus-launcher --launch-immediately & sleep 1;
//      bench_largefolder --files 50000"
//
// Usage: bench_largefolder [--files N] [--dir FOLDER]

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "platform/application.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/desktop/services.h"
#include "support/benchsupport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// Milliseconds until the dialog is exposed, its list filled and every event
// it caused handled.
template <class Dialog> double timeDialog(const QString& folder, int* entries) {
    QDir::setCurrent(folder);
    QElapsedTimer t;
    t.start();
    Dialog& d = Dialog::instance();
    d.Show();
    if (!QTest::qWaitForWindowExposed(&d))
        std::fprintf(stderr, "the dialog did not show\n");
    *entries = d.File1->ListCount();
    QCoreApplication::processEvents();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    d.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    pw::prepareApplication();
    QCommandLineParser parser;
    parser.addOption({"files", "Files in the folder.", "N", "50000"});
    parser.addOption({"dir", "Where to make the folder.", "FOLDER", QDir::tempPath()});
    parser.addHelpOption();
    parser.process(app);

    QuietServices services;
    pw::setServices(&services);
    QTemporaryDir dir(QDir(parser.value("dir")).filePath("pw-bench-XXXXXX"));
    const int files = parser.value("files").toInt();
    for (int i = 0; i < files; ++i) {
        QFile f(dir.filePath(QStringLiteral("file%1.txt").arg(i, 6, 10, QLatin1Char('0'))));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
    }
    // The bridge to the screen readers comes up a moment after start.
    QTest::qWait(1000);
    std::printf("%d files\n", files);
    for (int run = 0; run < 2; ++run) {
        int entries = 0;
        const double open = timeDialog<openfile>(dir.path(), &entries);
        std::printf("Open   %8.0f ms  %d entries\n", open, entries);
        const double del = timeDialog<delfile>(dir.path(), &entries);
        std::printf("Delete %8.0f ms  %d entries\n", del, entries);
    }
    return 0;
}
