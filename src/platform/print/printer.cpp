#include "printer.h"

#include "platform/controls/units.h"
#include "platform/desktop/failure.h"
#include "printserver.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QTemporaryFile>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace pw {

namespace {

const QString CouldNotPrint = QStringLiteral("Could not print");

// Called where the lookup failed, on its thread: a print server that could
// not be asked is named as the reason.
OperationError noPrinter() {
    QString reason = printServiceProblem();
    if (reason.isEmpty())
        reason = QPrinterInfo::availablePrinterNames().isEmpty()
                     ? QStringLiteral("No printer is installed.")
                     : QStringLiteral("None of the installed printers is set as the "
                                      "default printer.");
    return OperationError(QStringLiteral("Could not print: no printer"), QString(), reason);
}

int g_timeLimitMs = 60000;

// How long a stopped job is given to end (it checks for the stop between
// lines and pages, or calls its job back at the print server).
constexpr int SettleMs = 1500;

// Thrown on the print thread once its job is stopped.
struct Stopped {};

// Swallows the user's input while a print job is waited for, but for the
// wait's own dialog: no other command may start meanwhile. Closing a window
// asks for the wait to end (the job is stopped) and is done afterwards.
class InputHold : public QObject {
public:
    InputHold(QWidget* allowed, std::function<void()> onClose)
        : m_allowed(allowed), m_onClose(std::move(onClose)) {
        qApp->installEventFilter(this);
    }
    ~InputHold() override { qApp->removeEventFilter(this); }
    // The window whose closing was asked for, if any.
    QPointer<QWidget> closing;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Close: {
            auto* widget = qobject_cast<QWidget*>(target);
            if (!widget || !widget->isWindow() || allowed(widget))
                return false;
            if (!closing) {
                closing = widget;
                m_onClose();
            }
            event->ignore();
            return true;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: {
            auto* widget = qobject_cast<QWidget*>(target);
            return !(widget && allowed(widget));
        }
        default:
            return false;
        }
    }

private:
    bool allowed(QWidget* widget) const {
        return m_allowed && (widget == m_allowed || m_allowed->isAncestorOf(widget));
    }
    QWidget* m_allowed;
    std::function<void()> m_onClose;
};

} // namespace

// One print job at a time, run on a thread of its own: talking to the print
// service can block for minutes (a server that never answers), so the work
// runs there while the windows go on drawing. The thread is always joined:
// before the next job starts, when the program ends and when the printer
// goes.
class PrintWorker {
public:
    // What the work shares with the wait. The work checks stopRequested()
    // between lines and pages.
    struct Job {
        std::atomic<bool> stop{false};
        std::exception_ptr error;
        std::mutex mutex;
        std::condition_variable ended;
        bool finished = false;            // under mutex
        std::vector<QEventLoop*> waiting; // under mutex; the waits to wake
        void checkStop() const {
            if (stop)
                throw Stopped();
        }
    };
    using Work = std::function<void(Job&)>;

    ~PrintWorker() {
        // The program is going: no stop is waited for long, and a thread
        // still held up in the print server is left to the end of the process.
        if (!stopAndJoin(SettleMs) && m_thread.joinable())
            m_thread.detach();
    }

    // Runs work on the print thread and waits for it; see Printer::EndDoc.
    void run(const QString& where, Work work);

    // Stops the job and waits up to ms for its thread; true once no thread
    // is left.
    bool stopAndJoin(int ms) {
        if (!m_job)
            return true;
        m_job->stop = true;
        std::unique_lock<std::mutex> lock(m_job->mutex);
        if (!m_job->ended.wait_for(lock, std::chrono::milliseconds(ms),
                                   [&] { return m_job->finished; }))
            return false;
        lock.unlock();
        join();
        return true;
    }

private:
    enum class End { Finished, Cancelled, TimedOut, Closing };

    static bool finished(Job& job) {
        std::lock_guard<std::mutex> lock(job.mutex);
        return job.finished;
    }
    void join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    // Waits for the job with the "Printing..." dialog, until it ends, the
    // user cancels, the time limit passes, a window is closed or the program
    // ends.
    static End wait(Job& job, QPointer<QWidget>* closing);
    // After a stop: gives the job a moment to end, the windows drawing.
    static void settle(Job& job);

    std::shared_ptr<Job> m_job;
    std::thread m_thread;
};

PrintWorker::End PrintWorker::wait(Job& job, QPointer<QWidget>* closing) {
    QEventLoop loop;
    QProgressDialog dialog(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 0);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(500);
    End end = End::Closing; // the program ending also ends the loop
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        end = End::Cancelled;
        loop.quit();
    });
    QTimer::singleShot(g_timeLimitMs, &loop, [&] {
        end = End::TimedOut;
        loop.quit();
    });
    {
        InputHold hold(&dialog, [&] {
            end = End::Closing;
            loop.quit();
        });
        {
            std::unique_lock<std::mutex> lock(job.mutex);
            if (job.finished)
                return End::Finished;
            job.waiting.push_back(&loop);
        }
        loop.exec();
        std::lock_guard<std::mutex> lock(job.mutex);
        job.waiting.erase(std::find(job.waiting.begin(), job.waiting.end(), &loop));
        if (job.finished)
            end = End::Finished;
        *closing = hold.closing;
    }
    return end;
}

void PrintWorker::settle(Job& job) {
    job.stop = true;
    QEventLoop loop;
    InputHold hold(nullptr, [] {});
    {
        std::lock_guard<std::mutex> lock(job.mutex);
        if (job.finished)
            return;
        job.waiting.push_back(&loop);
    }
    QTimer::singleShot(SettleMs, &loop, &QEventLoop::quit);
    loop.exec();
    std::lock_guard<std::mutex> lock(job.mutex);
    job.waiting.erase(std::find(job.waiting.begin(), job.waiting.end(), &loop));
}

void PrintWorker::run(const QString& where, Work work) {
    const auto stopped = [&](End end) {
        return OperationError(CouldNotPrint, where,
                              end == End::Cancelled
                                  ? QStringLiteral("Printing was cancelled.")
                                  : QStringLiteral("The print service did not answer "
                                                   "within %1 seconds.")
                                        .arg(g_timeLimitMs / 1000));
    };
    // What the wait ends with when a window was closed meanwhile: the close
    // goes on, and nothing is said.
    const auto reclose = [](const QPointer<QWidget>& window) {
        if (window)
            QMetaObject::invokeMethod(
                window, [window] { window->close(); }, Qt::QueuedConnection);
    };

    // A job that was stopped but is held up in the print server is waited
    // for first: never two jobs at once. Cancel here stops this print too.
    if (m_job && !finished(*m_job)) {
        const std::shared_ptr<Job> running = m_job;
        QPointer<QWidget> closing;
        const End end = wait(*running, &closing);
        if (end != End::Finished) {
            reclose(closing);
            if (end == End::Closing)
                return;
            throw stopped(end);
        }
    }
    join();

    // (The job is kept here too: a Print started from within this wait
    // replaces m_job once this job has ended.)
    const std::shared_ptr<Job> job = std::make_shared<Job>();
    m_job = job;
    m_thread = std::thread([job, work = std::move(work)] {
        try {
            work(*job);
        } catch (...) {
            job->error = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(job->mutex);
        job->finished = true;
        for (QEventLoop* loop : job->waiting)
            QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
        job->ended.notify_all();
    });

    QPointer<QWidget> closing;
    const End end = wait(*job, &closing);
    if (end != End::Finished) {
        settle(*job);
        reclose(closing);
        if (!finished(*job)) {
            // Held up in the print server: the thread stays this printer's,
            // and the next job waits for it.
            if (end == End::Closing)
                return;
            throw stopped(end);
        }
    }
    if (m_job == job) {
        join();
        m_job.reset();
    }
    const std::exception_ptr error = job->error;
    bool wasStopped = false;
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const Stopped&) {
            wasStopped = true;
        } catch (...) {
            if (end != End::Closing)
                throw;
            return;
        }
    }
    if (end == End::Finished || end == End::Closing)
        return;
    if (!wasStopped)
        // The job ended whole before the stop reached it, and the print
        // server could not call it back.
        throw OperationError(QStringLiteral("Could not cancel printing"), where,
                             QStringLiteral("The document was already sent to the printer."));
    throw stopped(end);
}

PrintWorker& printWorker() {
    return *printer().m_worker;
}

void endPrinting(int exitCode) {
    if (!printWorker().stopAndJoin(SettleMs)) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
}

namespace {

void runPrintWork(const QString& where, PrintWorker::Work work) {
    printWorker().run(where, std::move(work));
}

// Splits at CR LF, a lone CR and a lone LF; n breaks give n + 1 lines.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines << text.mid(start);
    return lines;
}

DefaultPrinterOutput g_defaultOutput;
PrintOutput* g_output = &g_defaultOutput;

} // namespace

// ---------------------------------------------------------------- outputs

void DefaultPrinterOutput::ensureReady() {
    runPrintWork(QString(), [](PrintWorker::Job&) {
        if (QPrinterInfo::defaultPrinter().isNull())
            throw noPrinter();
    });
}

void DefaultPrinterOutput::setUp(QPrinter& printer) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw noPrinter();
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(info.printerName());
    if (printer.outputFormat() != QPrinter::NativeFormat ||
        printer.printerName() != info.printerName())
        throw OperationError(CouldNotPrint, info.printerName(),
                             QStringLiteral("The printer could not be reached."));
}

void PdfFileOutput::ensureReady() {
    if (m_path.isEmpty())
        throw OperationError(CouldNotPrint, QString(), QStringLiteral("No file name was given."));
}

void PdfFileOutput::setUp(QPrinter& printer) {
    ensureReady();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_path);
    printer.setPageSize(QPageSize(QPageSize::A4));
}

PrintOutput& printOutput() {
    return *g_output;
}

void setPrintOutput(PrintOutput* replacement) {
    g_output = replacement ? replacement : &g_defaultOutput;
}

void setPrintTimeLimit(int ms) {
    g_timeLimitMs = ms;
}

// ---------------------------------------------------------------- printer

Printer& printer() {
    static Printer p;
    return p;
}

Printer::Printer() : m_worker(std::make_unique<PrintWorker>()) {}

Printer::~Printer() = default;

void Printer::setFontSize(float points) {
    if (!std::isfinite(points) || points <= 0)
        throw OperationError(QStringLiteral("Could not set the printer's font size"),
                             QString::number(double(points)),
                             QStringLiteral("A font size must be a positive number of points."));
    m_font.size = points;
}

void Printer::Print(const QString& text) {
    // A missing printer stops the command here, before anything is collected.
    printOutput().ensureReady();
    m_pending.push_back({text, m_font});
}

void Printer::EndDoc() {
    std::vector<Run> runs;
    runs.swap(m_pending);
    if (runs.empty())
        return; // nothing was printed: no job

    // The job is laid out, drawn and sent on the print thread; it has its own
    // copy of everything it needs.
    PrintOutput* output = &printOutput();
    runPrintWork(QString(), [runs = std::move(runs), output](PrintWorker::Job& job) {
        QPrinter device(QPrinter::HighResolution);
        output->setUp(device);
        device.setDocName(QStringLiteral("Pagewick"));
        device.setFullPage(false);
        // Where the print service takes whole files, the job is drawn into a
        // file of its own and handed over only once it is complete, so that
        // it keeps its number and can be called back; the page is the
        // printer's.
        const QString queue = device.printerName();
        std::unique_ptr<QTemporaryFile> file;
        if (device.outputFormat() == QPrinter::NativeFormat && printServiceTakesFiles()) {
            const QPageLayout layout = device.pageLayout();
            file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                    QStringLiteral("/pagewick-XXXXXX.pdf"));
            if (!file->open())
                throw OperationError(CouldNotPrint, queue,
                                     QStringLiteral("No file could be made for the job: %1")
                                         .arg(file->errorString()));
            file->close();
            device.setOutputFormat(QPrinter::PdfFormat);
            device.setPageLayout(layout);
            device.setOutputFileName(file->fileName());
        }
        // Comfortable margins where the printer allows them; its own otherwise.
        device.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        const QString where =
            file || device.outputFileName().isEmpty() ? queue : device.outputFileName();

        // Everything is laid out before the job starts, so that nothing can stop
        // it half way: each line of each run is wrapped at the printable width
        // and given its page and its place on the page.
        const qreal width = device.width();
        const qreal height = device.height();
        struct Placed {
            int run;
            int layout;
            int line;
            int page;
            qreal y;
        };
        std::vector<std::vector<std::unique_ptr<QTextLayout>>> layouts(runs.size());
        std::vector<QColor> colors;
        std::vector<Placed> placed;
        int page = 0;
        qreal y = 0;
        for (size_t r = 0; r < runs.size(); ++r) {
            const Format& f = runs[r].format;
            QFont font(f.name);
            font.setPointSizeF(double(f.size));
            font.setBold(f.bold);
            colors.push_back(toQColor(f.color));
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            option.setTabStopDistance(QFontMetricsF(font, &device).horizontalAdvance(u' ') * 8);
            for (const QString& text : splitLines(runs[r].text)) {
                job.checkStop();
                auto layout = std::make_unique<QTextLayout>(text, font, &device);
                layout->setTextOption(option);
                layout->beginLayout();
                for (QTextLine line = layout->createLine(); line.isValid();
                     line = layout->createLine()) {
                    line.setLineWidth(width);
                    line.setLeadingIncluded(true);
                }
                layout->endLayout();
                for (int i = 0; i < layout->lineCount(); ++i) {
                    const qreal h = layout->lineAt(i).height();
                    // A line that does not fit goes to the next page; a page
                    // always takes at least one line, however tall.
                    if (y > 0 && y + h > height) {
                        ++page;
                        y = 0;
                    }
                    placed.push_back({int(r), int(layouts[r].size()), i, page, y});
                    y += h;
                }
                layouts[r].push_back(std::move(layout));
            }
        }

        QPainter painter;
        if (!painter.begin(&device))
            throw OperationError(CouldNotPrint, where,
                                 QStringLiteral("The printer could not start the document."));
        try {
            int current = 0;
            for (const Placed& p : placed) {
                job.checkStop();
                if (p.page != current) {
                    device.newPage();
                    current = p.page;
                }
                painter.setPen(colors[size_t(p.run)]);
                const QTextLine line = layouts[size_t(p.run)][size_t(p.layout)]->lineAt(p.line);
                line.draw(&painter, QPointF(0, p.y - line.y()));
            }
            job.checkStop();
        } catch (const Stopped&) {
            // The document is abandoned: the system's driver drops it, and a
            // file (the job's own, or a PDF output) is removed half-made.
            device.abort();
            painter.end();
            if (device.outputFormat() == QPrinter::PdfFormat)
                QFile::remove(device.outputFileName());
            throw;
        }
        if (!painter.end() || device.printerState() == QPrinter::Error)
            throw OperationError(CouldNotPrint, where,
                                 QStringLiteral("The document could not be sent to the printer."));
        if (!file)
            return;
        job.checkStop();
        QString reason;
        const int number =
            submitPrintFile(queue, file->fileName(), QStringLiteral("Pagewick"), &reason);
        if (!number)
            throw OperationError(CouldNotPrint, queue, reason);
        // A stop that came while the job was being handed over calls it back.
        if (job.stop && cancelPrintJob(queue, number))
            throw Stopped();
    });
}

} // namespace pw
