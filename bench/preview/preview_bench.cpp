// Preview speed, run by hand:
//  1. Split Screen (Ctrl+S) on a 1 MB HTML text, timed from the command until
//     the pane reports the page loaded. The first run also loads the web view
//     module and starts the engine; it is reported on its own.
//  2. Writing "view.html" for a 10 MB text: the preview file write (code page
//     conversion, write, replace on close) against writing the same bytes
//     with a plain std::ofstream, and the whole View As Web Page command with
//     the preview window already open (which then only writes the file).
// Medians of several runs; all files go to a temporary folder.

#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/application.h"
#include "platform/form.h"
#include "platform/seqfile.h"
#include "platform/services.h"
#include "platform/textbox.h"
#include "platform/webview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

// Message boxes and the rest go to the terminal instead of the screen.
class QuietServices : public pw::Services {
public:
    void msgBox(const QString& text, int, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++failures;
    }
    void beep() override {}
    void end() override {}
    void quit() override {}
    bool openDocument(const QString&, QString*) override { return false; }
    bool startProgram(const QString&, const QStringList&, QString*) override { return false; }
    int failures = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

QString htmlText(qsizetype bytes, const QString& title) {
    QString text = QStringLiteral("<html><head><title>%1</title></head><body>\r\n").arg(title);
    text.reserve(bytes + 200);
    for (int i = 0; text.size() < bytes; ++i)
        text += QStringLiteral("<p>Paragraph %1: the quick brown fox jumps over the lazy dog, "
                               "<b>again</b> and <i>again</i>.</p>\r\n")
                    .arg(i);
    return text + QStringLiteral("</body></html>");
}

} // namespace

int main(int argc, char** argv) {
    // Headless unless told otherwise; the engine's sandbox refuses the root user.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    pw::prepareApplication();
    QuietServices services;
    pw::setServices(&services);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    constexpr int Runs = 9;

    // 1. Split Screen on 1 MB.
    textedit& w = textedit::instance();
    const QString page = htmlText(1 << 20, QStringLiteral("split"));
    std::vector<double> split, command;
    double cold = 0;
    for (int i = 0; i <= Runs; ++i) {
        w.Text1->setText(page + QStringLiteral("<p>run %1</p>").arg(i));
        QEventLoop loop;
        bool loaded = false;
        const auto c =
            QObject::connect(w.WebBrowser1, &pw::WebView::loadFinished, &loop, [&](bool ok) {
                loaded = ok;
                loop.quit();
            });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        w.horisz->action()->trigger();
        const double returned = ms(t);
        loop.exec();
        const double elapsed = ms(t);
        QObject::disconnect(c);
        if (!loaded) {
            std::fprintf(stderr, "the page did not load\n");
            return 1;
        }
        if (i == 0)
            cold = elapsed;
        else {
            split.push_back(elapsed);
            command.push_back(returned);
        }
    }
    std::printf("Split Screen, 1 MB HTML, until loaded: first %.1f ms (module and engine "
                "start), then median %.1f ms of %d (the command itself returns after %.1f ms)\n",
                cold, median(split), Runs, median(command));

    // 2. The preview file for 10 MB, against std::ofstream of the same bytes.
    const QString big = htmlText(10 << 20, QStringLiteral("write"));
    const QByteArray bytes = pw::toCodePage(big) + QByteArray("\r\n");
    std::vector<double> seq, plain;
    command.clear();
    w.Text1->setText(big);
    w.awpn->action()->trigger(); // opens the preview window once
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer t;
        t.start();
        {
            pw::SequentialFile f(QStringLiteral("view.html"), pw::SequentialFile::Output);
            f.Print(big);
            f.Close();
        }
        seq.push_back(ms(t));

        t.start();
        {
            std::ofstream f("plain.html", std::ios::binary | std::ios::trunc);
            f.write(bytes.constData(), std::streamsize(bytes.size()));
            f.close();
            if (!f)
                return 1;
        }
        plain.push_back(ms(t));

        t.start();
        w.awpn->action()->trigger();
        command.push_back(ms(t));
    }
    const double s = median(seq), p = median(plain);
    std::printf("view.html, %.1f MB: preview file write median %.1f ms, std::ofstream median "
                "%.1f ms, ratio %.2f\n",
                double(bytes.size()) / (1 << 20), s, p, s / p);
    std::printf("View As Web Page with the preview window open (text read + file write): median "
                "%.1f ms\n",
                median(command));
    // The windows (and their pages) go before the engine's profile does.
    for (pw::Form* f : pw::Form::loadedForms())
        f->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return services.failures ? 1 : 0;
}
