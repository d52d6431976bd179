#include "application.h"

#include "platform/files/fileops_p.h"
#include "platform/print/printer.h"

#include <QApplication>
#include <QByteArray>
#include <QCommandLineParser>

#include <cstdio>
#include <vector>

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

constexpr char UsageLine[] = "Usage: pagewick [FILE]";

constexpr char HelpText[] =
    "Pagewick edits plain text and hand-written HTML, and shows the text as a web\n"
    "page in a preview window or under the text. FILE, when given, opens once the\n"
    "window is up, as File > Open would open it.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and end.\n"
    "  -v, --version  Show the program's version and end.\n"
    "  --             End of the options: what follows is the file's name, even\n"
    "                 when it begins with '-'.\n"
    "\n"
    "Qt's own options (-style, -stylesheet, -platform, -display, -reverse, ...)\n"
    "are taken as in any Qt program.\n";

// Qt's own options that the program hands on to QApplication: those that take
// a value, then those that do not.
const char* const QtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "geometry", "qwindowicon",        "qwindowtitle",  "title",  "session",
    "style",    "stylesheet",         "display",       "name",   "visual"};
const char* const QtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

struct CommandLine {
    bool end = false; // the program ends at once, with exitCode
    int exitCode = 0;
    QStringList qtArguments; // for QApplication, the program's name first
    QStringList files;
};

// The first argument that names an option the parser did not know, as the
// user wrote it.
QString unknownArgument(const QStringList& args, const QString& name) {
    for (const QString& a : args.mid(1)) {
        if (a == QLatin1String("--"))
            break;
        const QString bare = a.section(u'=', 0, 0);
        if (bare == u'-' + name || bare == QLatin1String("--") + name)
            return bare;
    }
    return u'-' + name;
}

CommandLine parseCommandLine(const QStringList& args) {
    CommandLine line;
    QCommandLineParser parser;
    // "-style" is one option, as Qt has it, not "-s -t -y -l -e".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    std::vector<QCommandLineOption> qtValues, qtFlags;
    for (const char* name : QtValueOptions) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
        qtValues.push_back(o);
    }
    for (const char* name : QtFlagOptions) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
        qtFlags.push_back(o);
    }
    parser.addPositionalArgument(QStringLiteral("FILE"), QString(), QStringLiteral("[FILE]"));

    line.end = true;
    if (!parser.parse(args.isEmpty() ? QStringList{QStringLiteral("pagewick")} : args)) {
        const QStringList unknown = parser.unknownOptionNames();
        const QString what =
            unknown.isEmpty()
                ? parser.errorText()
                : QStringLiteral("unknown option %1").arg(unknownArgument(args, unknown.first()));
        std::fprintf(stderr, "pagewick: %s\n%s (pagewick --help tells more)\n", qPrintable(what),
                     UsageLine);
        line.exitCode = 2;
        return line;
    }
    if (parser.isSet(help)) {
        std::printf("%s\n\n%s", UsageLine, HelpText);
        return line;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return line;
    }
    line.end = false;
    line.files = parser.positionalArguments();
    line.qtArguments << args.value(0, QStringLiteral("pagewick"));
    for (const QCommandLineOption& o : qtValues)
        for (const QString& value : parser.values(o))
            line.qtArguments << u'-' + o.names().first() << value;
    for (const QCommandLineOption& o : qtFlags)
        if (parser.isSet(o))
            line.qtArguments << u'-' + o.names().first();
    return line;
}

} // namespace

QStringList commandLineFiles() {
    return fileArguments();
}

void prepareApplication() {
    QApplication::setApplicationName(QStringLiteral("Pagewick"));
    QApplication::setApplicationVersion(QStringLiteral(PAGEWICK_VERSION));
    // A hidden window is still loaded; the program ends when its last window
    // is unloaded, not when the last visible one closes.
    QApplication::setQuitOnLastWindowClosed(false);
}

int runApplication(int& argc, char** argv, const std::function<void()>& startup) {
    // The command line is read before anything needs a display, so that
    // --help and --version work in any terminal.
    QCoreApplication::setApplicationName(QStringLiteral("Pagewick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAGEWICK_VERSION));
    const CommandLine line = parseCommandLine(detail::programArguments(argc, argv));
    if (line.end) {
        std::fflush(stdout);
        return line.exitCode;
    }
    if (!haveDisplay()) {
        std::fputs("pagewick: there is no display to show the window on "
                   "(neither DISPLAY nor WAYLAND_DISPLAY is set).\n",
                   stderr);
        return 1;
    }
    // Qt is given its own options only, so that a file named after "--" is
    // never taken for one of them.
    std::vector<QByteArray> qtBytes;
    for (const QString& a : line.qtArguments)
        qtBytes.push_back(detail::encodeFileName(a));
    std::vector<char*> qtArgv;
    for (QByteArray& a : qtBytes)
        qtArgv.push_back(a.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(qtBytes.size());
    QApplication app(qtArgc, qtArgv.data());
    prepareApplication();
    fileArguments() = line.files;
    startup();
    const int code = app.exec();
    // A print job still running is stopped and its thread joined while the
    // application is whole.
    endPrinting(code);
    return code;
}

} // namespace pw
