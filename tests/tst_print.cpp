// Printing, checked on real output: the printer writes a PDF file, which
// poppler's tools read back (text and word boxes, fonts, pixels). One test
// goes through the system's default print queue when it is a cups-pdf queue.

#include "editor/textedit.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/files/seqfile.h"
#include "platform/print/printer.h"
#include "support/recorder.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <utility>

#include <functional>
#include <optional>

namespace {

// Runs this test program again with env, to its end (two minutes at most):
// whether it ended normally with status 0, and what it printed.
std::pair<bool, QByteArray> runAgain(const QProcessEnvironment& env) {
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    const bool finished = child.waitForFinished(120000);
    const QByteArray log = child.readAll();
    return {finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
            finished ? log : log + "\n(still running after two minutes)"};
}

// Skips the test when one of poppler's tools is missing.
#define REQUIRE_TOOL(name)                                                                         \
    if (QStandardPaths::findExecutable(QStringLiteral(name)).isEmpty())                            \
    QSKIP(name " (poppler-utils) is not installed")

// Runs a program; its standard output, or nothing when it failed.
std::optional<QString> run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << "failed:" << p.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Word {
    QString text;
    QRectF box;
    int page;
};

struct PdfText {
    QList<QSizeF> pages;
    QList<Word> words;
};

// The words of a PDF with their boxes, in points, in reading order.
std::optional<PdfText> wordsOf(const QString& pdf) {
    const auto html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, "-"});
    if (!html)
        return std::nullopt;
    static const QRegularExpression tag(
        QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">|)re"
                       R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" )re"
                       R"re(xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    PdfText out;
    for (const auto& m : tag.globalMatch(*html)) {
        if (!m.captured(1).isEmpty()) {
            out.pages << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
            continue;
        }
        const QPointF a(m.captured(3).toDouble(), m.captured(4).toDouble());
        const QPointF b(m.captured(5).toDouble(), m.captured(6).toDouble());
        out.words.push_back({m.captured(7), QRectF(a, b), int(out.pages.size()) - 1});
    }
    return out;
}

QStringList fontsOf(const QString& pdf) {
    QStringList names;
    const auto list = run(QStringLiteral("pdffonts"), {pdf});
    if (!list)
        return names;
    for (const QString& line : list->split(u'\n').mid(2))
        if (!line.trimmed().isEmpty())
            names << line.section(u' ', 0, 0, QString::SectionSkipEmpty);
    return names;
}

// The first page drawn at a low resolution.
QImage pictureOf(const QString& pdf, const QString& folder) {
    const QString prefix = folder + QStringLiteral("/page");
    if (!run(QStringLiteral("pdftoppm"),
             {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
              QStringLiteral("-singlefile"), pdf, prefix}))
        return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

// How many of the inked pixels are near each colour; the last entry counts
// every inked pixel.
QList<int> inkOf(const QImage& image, const QList<QColor>& colours) {
    QList<int> near(colours.size() + 1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
                continue;
            ++near.last();
            for (qsizetype i = 0; i < colours.size(); ++i)
                if (std::abs(c.red() - colours[i].red()) < 60 &&
                    std::abs(c.green() - colours[i].green()) < 60 &&
                    std::abs(c.blue() - colours[i].blue()) < 60)
                    ++near[i];
        }
    return near;
}

// Text long enough that laying it out takes a few seconds.
QString longText(const QString& marker) {
    QString line = QStringLiteral("a line of the long text to print, with some words on it ");
    return marker + QStringLiteral("\r\n") + (line + line + QStringLiteral("\r\n")).repeated(60000);
}

// The user's Cancel in the wait.
void clickCancel(QProgressDialog* wait) {
    wait->findChild<QPushButton*>()->click();
}

// Runs File > Print and acts on its "Printing..." wait once it shows: act
// gets the dialog. Returns whether the wait showed.
bool printAndThen(textedit& w, const std::function<void(QProgressDialog*)>& act) {
    bool shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(top);
                d && d->isVisible() && d->labelText() == QLatin1String("Printing...") && !shown) {
                shown = true;
                act(d);
            }
    });
    watch.start(20);
    w.prnt->action()->trigger();
    return shown;
}

// The system's default print queue when it is a cups-pdf queue
// (scripts/setup-print-queue.sh makes one): where its PDF files land.
std::optional<QString> pdfQueueFolder(QString* why) {
    const QString queue = QPrinterInfo::defaultPrinterName();
    if (queue.isEmpty()) {
        *why = QStringLiteral("no default print queue (run scripts/setup-print-queue.sh as root)");
        return std::nullopt;
    }
    const auto device = run(QStringLiteral("lpstat"), {QStringLiteral("-v"), queue});
    if (!device || !device->contains(QLatin1String(": cups-pdf:/"))) {
        *why = QStringLiteral("the default print queue is not a cups-pdf queue");
        return std::nullopt;
    }
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : conf.readAll().split('\n'))
            if (line.startsWith("Out "))
                out = QString::fromLocal8Bit(line.mid(4).trimmed());
    }
    out.replace(QLatin1String("${HOME}"), QDir::homePath());
    out.replace(QLatin1String("${USER}"), qEnvironmentVariable("USER"));
    return out;
}

// The PDF file in folder, written since then, whose text holds marker.
QString pdfWith(const QString& folder, const QString& marker, const QDateTime& since) {
    const auto files = QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
    for (const QFileInfo& f : files) {
        if (f.lastModified() < since)
            continue;
        const auto text = run(QStringLiteral("pdftotext"), {f.filePath(), "-"});
        if (text && text->contains(marker))
            return f.filePath();
    }
    return QString();
}

QString uniqueMarker(const char* what) {
    return QString::fromLatin1(what) +
           QString::number(QDateTime::currentMSecsSinceEpoch() % 100000000);
}

// Sends the printer's jobs to a PDF file for the life of the object.
class PdfPrinting {
public:
    explicit PdfPrinting(const QString& path) : output(path) { pw::setPrintOutput(&output); }
    ~PdfPrinting() { pw::setPrintOutput(nullptr); }
    pw::PdfFileOutput output;
};

} // namespace

class PrintTest : public QObject {
    Q_OBJECT
    Recorder* rec = nullptr;
    QTemporaryDir dir;

    QString pdf(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
        pw::setPrintOutput(nullptr);
    }

    void printsInTheRecordedFormat_data() {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("start-up") << QStringList() << false << QColor(Qt::black);
        QTest::newRow("bold") << QStringList{"bold"} << true << QColor(Qt::black);
        QTest::newRow("bold then regular")
            << QStringList{"bold", "reg"} << false << QColor(Qt::black);
        QTest::newRow("blue") << QStringList{"rdf", "blu"} << false << QColor(0, 0, 255);
        QTest::newRow("red, bold") << QStringList{"bold", "rdf"} << true << QColor(255, 0, 0);
    }

    void printsInTheRecordedFormat() {
        REQUIRE_TOOL("pdffonts");
        REQUIRE_TOOL("pdftoppm");
        QFETCH(QStringList, commands);
        QFETCH(bool, bold);
        QFETCH(QColor, colour);
        if (bold) {
            // The face the system shows for the start-up face must have a
            // real bold one; a drawn-thicker face keeps its regular name.
            const QString family = QFontInfo(QFont(QStringLiteral("Ms Sans Serif"))).family();
            bool hasBold = false;
            for (const QString& style : QFontDatabase::styles(family))
                hasBold |= QFontDatabase::weight(family, style) >= QFont::Bold;
            if (!hasBold)
                QSKIP(qPrintable(QStringLiteral("the fallback face %1 has no bold face "
                                                "(scripts/install-deps.sh installs "
                                                "fonts-dejavu-core)")
                                     .arg(family)));
        }
        const QString file = pdf("format.pdf");
        PdfPrinting to(file);
        textedit& w = textedit::instance();
        w.seventytwo->action()->trigger();
        for (const QString& c : commands)
            w.findChild<pw::Menu*>(c)->action()->trigger();
        w.Text1->setText(QStringLiteral("MMMM\r\nWWWW"));
        w.prnt->action()->trigger();
        QVERIFY(rec->boxes.empty());

        const QStringList fonts = fontsOf(file);
        QVERIFY(!fonts.isEmpty());
        for (const QString& f : fonts)
            QVERIFY2(f.contains(QLatin1String("Bold")) == bold, qPrintable(f));
        // Most of the ink is in the colour, none in the other two.
        const QList<QColor> colours{Qt::black, QColor(0, 0, 255), QColor(255, 0, 0)};
        const QList<int> ink = inkOf(pictureOf(file, dir.path()), colours);
        const int inked = ink.last();
        QVERIFY(inked > 100);
        for (qsizetype i = 0; i < colours.size(); ++i) {
            const bool same = colours[i] == colour;
            QVERIFY2(same ? ink[i] > inked / 2 : ink[i] == 0,
                     qPrintable(QStringLiteral("%1 of %2 near %3")
                                    .arg(ink[i])
                                    .arg(inked)
                                    .arg(colours[i].name())));
        }
    }

    void printsTheWholeTextOnEveryLineAndPage() {
        REQUIRE_TOOL("pdftotext");
        REQUIRE_TOOL("pdfinfo");
        // Short lines with every kind of line break, one line of many words
        // and one word far wider than the page.
        const QString breaks[] = {QStringLiteral("\r\n"), QStringLiteral("\r"),
                                  QStringLiteral("\n")};
        QStringList rows;
        QString text;
        for (int i = 1; i <= 180; ++i) {
            rows << QStringLiteral("row %1 of the long text").arg(i, 3, 10, QLatin1Char('0'));
            text += rows.last() + breaks[i % 3];
        }
        for (int i = 1; i <= 300; ++i)
            text += QStringLiteral("word%1 ").arg(i, 3, 10, QLatin1Char('0'));
        text += QStringLiteral("\r\n");
        for (int i = 0; i < 120; ++i)
            text += QStringLiteral("unbroken%1").arg(i, 3, 10, QLatin1Char('0'));
        text += QStringLiteral("\r\nlast line");

        const QString file = pdf("long.pdf");
        PdfPrinting to(file);
        textedit& w = textedit::instance();
        w.twelve->action()->trigger();
        w.Text1->setText(text);
        w.Text1->setSelection(5, 4); // the selection plays no part
        w.prnt->action()->trigger();
        QVERIFY(rec->boxes.empty());
        QVERIFY(!pw::printer().hasPendingDocument());

        const auto info = run(QStringLiteral("pdfinfo"), {file});
        QVERIFY(info);
        const int pages = QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))"))
                              .match(*info)
                              .captured(1)
                              .toInt();
        QVERIFY2(pages >= 3, qPrintable(*info));

        // Every character is there, in order, and on its page.
        const auto pdfText = wordsOf(file);
        QVERIFY(pdfText);
        QCOMPARE(pdfText->pages.size(), pages);
        QString printed;
        for (const Word& word : pdfText->words) {
            printed += word.text;
            const QSizeF page = pdfText->pages[word.page];
            QVERIFY2(word.box.left() >= 0 && word.box.top() >= 0 &&
                         word.box.right() <= page.width() && word.box.bottom() <= page.height(),
                     qPrintable(word.text));
        }
        QString expected = text;
        expected.remove(QRegularExpression(QStringLiteral(R"(\s)")));
        QCOMPARE(printed, expected);

        // The text's own line breaks start new lines.
        const auto plain = run(QStringLiteral("pdftotext"), {file, "-"});
        QVERIFY(plain);
        QStringList lines;
        for (QString line : plain->split(u'\n')) {
            line.remove(u'\f');
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
        QCOMPARE(lines.mid(0, rows.size()), rows);
        QCOMPARE(lines.last(), QStringLiteral("last line"));
    }

    void size28PrintsAt28Points() {
        REQUIRE_TOOL("pdftotext");
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("Height"));
        w.twenty->action()->trigger();
        qreal at20 = 0;
        {
            PdfPrinting to(pdf("20.pdf"));
            w.prnt->action()->trigger();
            const auto words = wordsOf(to.output.path());
            QVERIFY(words && words->words.size() == 1);
            at20 = words->words[0].box.height();
        }
        w.twentyeight->action()->trigger();
        QCOMPARE(w.Text1->font().pointSizeF(), 20.0); // the screen keeps 20
        PdfPrinting to(pdf("28.pdf"));
        w.prnt->action()->trigger();
        QCOMPARE(pw::printer().FontSize(), 28.0f);
        const auto words = wordsOf(to.output.path());
        QVERIFY(words && words->words.size() == 1);
        const qreal ratio = words->words[0].box.height() / at20;
        QVERIFY2(std::abs(ratio - 28.0 / 20.0) < 0.05, qPrintable(QString::number(ratio)));
        QVERIFY(rec->boxes.empty());
    }

    void printsAnEmptyTextAndAnyFaceName() {
        REQUIRE_TOOL("pdfinfo");
        PdfPrinting to(pdf("empty.pdf"));
        textedit& w = textedit::instance();
        w.xligh->action()->trigger();
        w.prnt->action()->trigger();
        QVERIFY(rec->boxes.empty());
        QCOMPARE(pw::printer().FontName(), QStringLiteral("NapoliSerial-Xlight"));
        const auto info = run(QStringLiteral("pdfinfo"), {to.output.path()});
        QVERIFY(info && info->contains(QRegularExpression(QStringLiteral(R"(Pages:\s+1\n)"))));
    }

    void aFailedJobLeavesNothingBehind() {
        REQUIRE_TOOL("pdftotext");
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("first"));
        {
            PdfPrinting to(dir.filePath(QStringLiteral("no such folder/x.pdf")));
            w.prnt->action()->trigger();
        }
        QCOMPARE(rec->boxes.size(), size_t(1));
        QCOMPARE(rec->boxes[0].style, int(pw::MsgBoxCritical));
        QVERIFY(rec->boxes[0].text.startsWith(QLatin1String("Could not print")));
        QVERIFY(!pw::printer().hasPendingDocument());

        // The next job holds only its own text.
        w.Text1->setText(QStringLiteral("second"));
        PdfPrinting to(pdf("after.pdf"));
        w.prnt->action()->trigger();
        QCOMPARE(rec->boxes.size(), size_t(1));
        const auto words = wordsOf(to.output.path());
        QVERIFY(words && words->words.size() == 1);
        QCOMPARE(words->words[0].text, QStringLiteral("second"));
    }

    void noPrinterStopsPrintWithOneMessage() {
        // The check runs in a fresh copy of this program that cannot reach a
        // print server, whatever this machine has installed.
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PRINTER"));
        env.remove(QStringLiteral("LPDEST"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("CUPS_SERVER"), home.filePath(QStringLiteral("no-server.sock")));
        env.insert(QStringLiteral("PAGEWICK_TEST_NO_PRINTER"), QStringLiteral("1"));
        const auto [ended, log] = runAgain(env);
        QVERIFY2(ended, log.constData());
        QVERIFY2(log.contains("PASS   : NoPrinterTest::printStopsAtPrintWithOneMessage()") &&
                     log.contains(" 0 failed, 0 skipped"),
                 log.constData());
    }

    void printsThroughTheDefaultQueue() {
        // Needs a CUPS default printer that is a cups-pdf queue
        // (scripts/setup-print-queue.sh makes one); never prints on paper.
        REQUIRE_TOOL("pdftotext");
        QString why;
        const auto out = pdfQueueFolder(&why);
        if (!out)
            QSKIP(qPrintable(why));
        const QString queue = QPrinterInfo::defaultPrinterName();
        const QString marker =
            QStringLiteral("queue%1").arg(QDateTime::currentMSecsSinceEpoch() % 100000000);
        const QDateTime started = QDateTime::currentDateTime().addSecs(-2);
        textedit& w = textedit::instance();
        w.bold->action()->trigger();
        w.Text1->setText(QStringLiteral("through the queue\r\n") + marker);
        w.prnt->action()->trigger();
        QVERIFY(rec->boxes.empty());

        // The job finishes and its PDF holds the text. (Plain loops: a
        // failing QTRY would wait twice as long again.)
        QDeadlineTimer deadline(90000);
        const auto jobsLeft = [&] {
            return run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).value_or("?");
        };
        while (!jobsLeft().isEmpty() && !deadline.hasExpired())
            QTest::qWait(250);
        QCOMPARE(jobsLeft(), QString());
        while (pdfWith(*out, marker, started).isEmpty() && !deadline.hasExpired())
            QTest::qWait(250);
        const QString file = pdfWith(*out, marker, started);
        QVERIFY2(!file.isEmpty(), qPrintable(QStringLiteral("no PDF with the text in ") + *out));
        for (const QString& f : fontsOf(file))
            QVERIFY2(f.contains(QLatin1String("Bold")), qPrintable(f));
        QFile::remove(file);
    }

    void cancelSendsNothingAndTheNextPrintIsAJobOfItsOwn() {
        REQUIRE_TOOL("pdftotext");
        QString why;
        const auto out = pdfQueueFolder(&why);
        if (!out)
            QSKIP(qPrintable(why));
        const QString cancelled = uniqueMarker("cancelled");
        const QString next = uniqueMarker("next");
        const QDateTime started = QDateTime::currentDateTime().addSecs(-2);
        textedit& w = textedit::instance();
        w.Text1->setText(longText(cancelled));
        QVERIFY(printAndThen(w, clickCancel));
        QCOMPARE(rec->boxes.size(), size_t(1));
        QVERIFY2(rec->boxes[0].text.contains(QLatin1String("Printing was cancelled.")),
                 qPrintable(rec->boxes[0].text));
        const QDeadlineTimer minute(60000);

        // Print again at once: one whole job of the new text.
        w.Text1->setText(next);
        w.prnt->action()->trigger();
        QCOMPARE(rec->boxes.size(), size_t(1));
        QTRY_VERIFY_WITH_TIMEOUT(minute.hasExpired() && !pdfWith(*out, next, started).isEmpty(),
                                 150000);
        QCOMPARE(pdfWith(*out, cancelled, started), QString());
        QFile::remove(pdfWith(*out, next, started));
    }

    void closingDuringOrAfterAPrintEndsCleanly_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("window closed during the print") << QStringLiteral("close");
        QTest::newRow("window closed after a cancelled print") << QStringLiteral("cancel");
        QTest::newRow("the desktop ends the program during the print") << QStringLiteral("quit");
    }

    void closingDuringOrAfterAPrintEndsCleanly() {
        // In a fresh copy of this program with the desktop's own services.
        QFETCH(QString, how);
        const QString file = pdf("closing.pdf");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PAGEWICK_TEST_CLOSING"), how);
        env.insert(QStringLiteral("PAGEWICK_TEST_PDF"), file);
        const auto [ended, log] = runAgain(env);
        QVERIFY2(ended, log.constData());
        QVERIFY2(log.contains("the wait showed"), log.constData());
        QVERIFY(!QFile::exists(file)); // nothing half-made
    }
};

// Run as the child of noPrinterStopsPrintWithOneMessage, with no print
// server in reach.
class NoPrinterTest : public QObject {
    Q_OBJECT
    Recorder* rec = nullptr;

private slots:
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
    }

    void thereIsNoPrinter() {
        QVERIFY(QPrinterInfo::defaultPrinter().isNull());
        QVERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
    }

    void printStopsAtPrintWithOneMessage() {
        textedit& w = textedit::instance();
        w.bold->action()->trigger();
        w.Text1->setText(QStringLiteral("kept"));
        for (int i = 0; i < 2; ++i) {
            w.prnt->action()->trigger();
            QCOMPARE(rec->boxes.size(), size_t(i + 1));
            QCOMPARE(rec->boxes.back().style, int(pw::MsgBoxCritical));
            // The reason is the server out of reach, not a missing printer.
            QVERIFY2(rec->boxes.back().text.contains(QLatin1String("no printer")) &&
                         rec->boxes.back().text.contains(QLatin1String("could not be reached")),
                     qPrintable(rec->boxes.back().text));
            // The format reached the printer; the text was never collected.
            QVERIFY(pw::printer().FontBold());
            QVERIFY(!pw::printer().hasPendingDocument());
        }
        // The program goes on.
        QCOMPARE(w.Text1->Text(), QStringLiteral("kept"));
        QVERIFY(w.isVisible());
    }

    void aServerThatNeverAnswersHoldsNothing();
};

// (continued) A print server that takes the connection and never answers:
// the windows go on, and the wait ends at the time limit with its reason.
void NoPrinterTest::aServerThatNeverAnswersHoldsNothing() {
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    qputenv("CUPS_SERVER", "127.0.0.1:" + QByteArray::number(silent.serverPort()));
    pw::setPrintTimeLimit(2000);
    const auto restore = qScopeGuard([] { pw::setPrintTimeLimit(60000); });
    int connections = 0;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] { ++connections; });
    textedit& w = textedit::instance();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    // The second Print waits for the look for the printer that the first
    // gave up on, which is still held up: never two at once.
    for (int i = 0; i < 2; ++i) {
        w.prnt->action()->trigger();
        QCOMPARE(rec->boxes.size(), size_t(i + 1));
        QVERIFY2(rec->boxes[i].text.contains(QLatin1String("did not answer within 2 seconds")),
                 qPrintable(rec->boxes[i].text));
    }
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks))); // the event loop ran
    QCOMPARE(connections, 1);
}

// Run as the child of closingDuringOrAfterAPrintEndsCleanly: prints a long
// text to a PDF file and, once the wait shows, closes the window, cancels
// and then closes it, or ends the program as the desktop does at log-out.
int closeWhilePrinting(QApplication& app) {
    const QString how = qEnvironmentVariable("PAGEWICK_TEST_CLOSING");
    pw::PdfFileOutput output(qEnvironmentVariable("PAGEWICK_TEST_PDF"));
    pw::setPrintOutput(&output);
    textedit& w = textedit::instance();
    w.Text1->setText(longText(QStringLiteral("closing")));
    bool shown = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("message: %s\n", qPrintable(box->text()));
            box->accept();
            w.close();
            return;
        }
        auto* wait = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (shown || !wait || !wait->isVisible())
            return;
        shown = true;
        std::printf("the wait showed\n");
        std::fflush(stdout);
        if (how == QLatin1String("close"))
            w.close();
        else if (how == QLatin1String("quit"))
            QCoreApplication::quit();
        else
            clickCancel(wait);
    });
    driver.start(20);
    QTimer::singleShot(0, &w, [&] { w.prnt->action()->trigger(); });
    const int code = app.exec();
    pw::endPrinting(code);
    std::fflush(stdout);
    return code;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QTEST_SET_MAIN_SOURCE_PATH
    if (qEnvironmentVariableIsSet("PAGEWICK_TEST_CLOSING"))
        return closeWhilePrinting(app);
    if (qEnvironmentVariableIsSet("PAGEWICK_TEST_NO_PRINTER")) {
        NoPrinterTest test;
        return QTest::qExec(&test, argc, argv);
    }
    PrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_print.moc"
