#include "printer.h"

#include "failure.h"
#include "printserver.h"
#include "units.h"

#include <QApplication>
#include <QColor>
#include <QEventLoop>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QTextLayout>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
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

// Swallows the user's input while a print job is waited for, but for the
// wait's own dialog: no other command may start meanwhile.
class InputHold : public QObject {
public:
    explicit InputHold(QWidget* allowed) : m_allowed(allowed) { qApp->installEventFilter(this); }
    ~InputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Close: {
            auto* widget = qobject_cast<QWidget*>(target);
            return !(widget && m_allowed &&
                     (widget == m_allowed || m_allowed->isAncestorOf(widget)));
        }
        default:
            return false;
        }
    }

private:
    QWidget* m_allowed;
};

// Talking to the print service can block for minutes (a server that never
// answers), so it is done on a thread of its own while the windows go on
// drawing. The wait ends when the work ends, when the user cancels it or at
// the time limit; work that is given up goes on alone and its result is
// dropped. What the work throws is thrown here.
void runPrintWork(const QString& where, std::function<void()> work) {
    struct State {
        std::atomic<bool> finished{false};
        std::exception_ptr error;
        QPointer<QEventLoop> loop;
    };
    auto state = std::make_shared<State>();
    QEventLoop loop;
    state->loop = &loop;
    std::thread([state, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            state->error = std::current_exception();
        }
        state->finished = true;
        QMetaObject::invokeMethod(qApp, [state] {
            if (state->loop)
                state->loop->quit();
        });
    }).detach();

    QProgressDialog dialog(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 0);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(500);
    bool cancelled = false;
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    QTimer::singleShot(g_timeLimitMs, &loop, &QEventLoop::quit);
    {
        InputHold hold(&dialog);
        if (!state->finished)
            loop.exec();
    }
    state->loop = nullptr;
    if (!state->finished) {
        throw OperationError(CouldNotPrint, where,
                             cancelled ? QStringLiteral("Printing was cancelled.")
                                       : QStringLiteral("The print service did not answer "
                                                        "within %1 seconds.")
                                             .arg(g_timeLimitMs / 1000));
    }
    if (state->error)
        std::rethrow_exception(state->error);
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
    runPrintWork(QString(), [] {
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
    runPrintWork(QString(), [runs = std::move(runs), output] {
        QPrinter device(QPrinter::HighResolution);
        output->setUp(device);
        device.setDocName(QStringLiteral("Pagewick"));
        device.setFullPage(false);
        // Comfortable margins where the printer allows them; its own otherwise.
        device.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        const QString where =
            device.outputFileName().isEmpty() ? device.printerName() : device.outputFileName();

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
        int current = 0;
        for (const Placed& p : placed) {
            if (p.page != current) {
                device.newPage();
                current = p.page;
            }
            painter.setPen(colors[size_t(p.run)]);
            const QTextLine line = layouts[size_t(p.run)][size_t(p.layout)]->lineAt(p.line);
            line.draw(&painter, QPointF(0, p.y - line.y()));
        }
        if (!painter.end() || device.printerState() == QPrinter::Error)
            throw OperationError(CouldNotPrint, where,
                                 QStringLiteral("The document could not be sent to the printer."));
    });
}

} // namespace pw
