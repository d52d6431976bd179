#pragma once
// The printer: text printed in one font and colour, collected page by page and
// sent as one job when the document ends. Where the job goes is a replaceable
// output: the system's default printer unless another one is set (a PDF file
// in tests).

#include <QString>

#include <memory>
#include <vector>

class QPrinter;

namespace pw {

// Where a finished document goes.
class PrintOutput {
public:
    virtual ~PrintOutput() = default;
    // Throws OperationError when the output cannot take a job now (no
    // printer installed, no default printer).
    virtual void ensureReady() = 0;
    // Points printer at this output for one job; throws like ensureReady.
    virtual void setUp(QPrinter& printer) = 0;
};

// The system's default printer, looked up at each job.
class DefaultPrinterOutput final : public PrintOutput {
public:
    void ensureReady() override;
    void setUp(QPrinter& printer) override;
};

// A PDF file, written whole by each job.
class PdfFileOutput final : public PrintOutput {
public:
    explicit PdfFileOutput(QString path) : m_path(std::move(path)) {}
    void ensureReady() override;
    void setUp(QPrinter& printer) override;
    const QString& path() const { return m_path; }

private:
    QString m_path;
};

// The output in use.
PrintOutput& printOutput();
// Puts another output in place; nullptr restores the default printer. Not owned.
void setPrintOutput(PrintOutput* replacement);
// How long a print job or a look for the printer may take before the program
// stops waiting for it and says so (a minute unless set otherwise).
void setPrintTimeLimit(int ms);

// Before the program ends: stops the print job that is still running (nothing
// half-made is sent; a job already with the print server is called back) and
// waits for its thread. A thread held up inside the print server, where no
// stop reaches it, is waited for a second and a half; then the process ends
// here with exitCode, so that nothing is torn down under it.
void endPrinting(int exitCode);

class PrintWorker;

class Printer {
public:
    // Font.Name: the face, used as given; the system shows its nearest match
    // when it lacks the face.
    QString FontName() const { return m_font.name; }
    void setFontName(const QString& name) { m_font.name = name; }
    // Points; must be a positive number.
    float FontSize() const { return m_font.size; }
    void setFontSize(float points);
    bool FontBold() const { return m_font.bold; }
    void setFontBold(bool bold) { m_font.bold = bold; }
    // 0x00BBGGRR, red in the low byte.
    qint32 ForeColor() const { return m_font.color; }
    void setForeColor(qint32 color) { m_font.color = color; }

    // Prints text in the current font and colour, then moves to the next
    // line. CR LF, a lone CR and a lone LF each start a new line; a line
    // wider than the page wraps (at a blank where there is one) and the text
    // goes on to new pages as needed. Nothing is sent before EndDoc.
    void Print(const QString& text);
    // Ends the document and sends it to the output as one job. A failure
    // sends nothing, and the document is dropped either way: nothing is
    // left over for the next one. The windows go on drawing while the job is
    // made and sent, the user's input waits, and a job that takes longer than
    // the time limit, or that the user cancels, is stopped with a message:
    // nothing is sent, a job already with the print server is called back,
    // and one that can no longer be is said to be. Only one job runs at a
    // time: a job still running (held up in the print server) is waited for
    // first, in the same wait. Closing a window or the end of the program
    // during the wait stops the job too, without a message.
    void EndDoc();

    // True between the first Print of a document and its EndDoc.
    bool hasPendingDocument() const { return !m_pending.empty(); }

private:
    struct Format {
        QString name = QStringLiteral("Arial");
        float size = 10.0f;
        bool bold = false;
        qint32 color = 0;
    };
    struct Run {
        QString text;
        Format format;
    };

    Format m_font;
    std::vector<Run> m_pending;
    // The one print job's thread, from its start until it is joined.
    std::unique_ptr<PrintWorker> m_worker;
    friend PrintWorker& printWorker();

public:
    Printer();
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
};

// The program's one printer.
Printer& printer();

} // namespace pw
