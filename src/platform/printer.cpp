#include "printer.h"

#include "failure.h"
#include "units.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>

#include <cmath>
#include <memory>

namespace pw {

namespace {

const QString CouldNotPrint = QStringLiteral("Could not print");

OperationError noPrinter() {
    const QString reason = QPrinterInfo::availablePrinterNames().isEmpty()
                               ? QStringLiteral("No printer is installed.")
                               : QStringLiteral("None of the installed printers is set as the "
                                                "default printer.");
    return OperationError(QStringLiteral("Could not print: no printer"), QString(), reason);
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
    if (QPrinterInfo::defaultPrinter().isNull())
        throw noPrinter();
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

    QPrinter device(QPrinter::HighResolution);
    printOutput().setUp(device);
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
}

} // namespace pw
