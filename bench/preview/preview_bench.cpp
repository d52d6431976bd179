// Preview speed, run by hand, beside the bare web engine in the same run:
//  1. The first preview after start-up: Split Screen on a 1 MB HTML text in a
//     fresh process (which also loads the web view module and starts the
//     engine), against a fresh process whose bare QWebEngineView loads the
//     same page from disk, until each reports the page loaded.
//  2. Split Screen, Refresh and View As Web Page on a 1 MB HTML text, until
//     loaded, against a bare QWebEngineView loading the same page from disk
//     (a new one for View As Web Page, which opens a new window), taken in
//     turns, each after the engine has settled.
//  3. Writing "view.html" for a 10 MB text: the preview file write against
//     writing the same bytes with a plain std::ofstream.
// Medians of several runs; all files go to a temporary folder.

#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/application.h"
#include "platform/controls/form.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/services.h"
#include "platform/files/seqfile.h"
#include "platform/webview/webview.h"
#include "support/benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>
#include <fstream>
#include <functional>

namespace {

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

// Runs start, then events until loaded is called; the time taken in ms, or
// -1 when the page did not load within a minute.
template <class Signal, class Sender>
double timeLoad(Sender* sender, Signal signal, const std::function<void()>& start) {
    QEventLoop loop;
    bool loaded = false;
    const auto c = QObject::connect(sender, signal, &loop, [&](bool ok) {
        loaded = ok;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    start();
    loop.exec();
    const double elapsed = ms(t);
    QObject::disconnect(c);
    return loaded ? elapsed : -1;
}

// Lets the engine finish what a load left to do (painting, the renderer's
// own work), so that it does not count to the next load.
void settle() {
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
}

// A bare engine view, as a window of the split pane's size.
struct BareView {
    QWebEngineView view;
    BareView() {
        view.resize(800, 300);
        view.show();
    }
    double load(const QString& file) {
        return timeLoad(&view, &QWebEngineView::loadFinished,
                        [&] { view.load(QUrl::fromLocalFile(file)); });
    }
};

// View As Web Page: the preview window loads its page when it opens; it is
// closed again after.
double viewAsWebPage(textedit& w) {
    QEventLoop loop;
    QElapsedTimer t;
    t.start();
    w.awpn->action()->trigger();
    viewhtml& preview = viewhtml::instance();
    bool loaded = false;
    QObject::connect(preview.WebBrowser1, &pw::WebView::loadFinished, &loop, [&](bool ok) {
        loaded = ok;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    const double v = loaded ? ms(t) : -1;
    preview.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return v;
}

double splitScreen(textedit& w) {
    return timeLoad(w.WebBrowser1, &pw::WebView::loadFinished,
                    [&] { w.horisz->action()->trigger(); });
}

// 1: one first load in this fresh process; prints its time.
int firstLoad(const QString& mode, const QString& folder) {
    const QString page = htmlText(1 << 20, QStringLiteral("first"));
    double t = -1;
    if (mode == QLatin1String("bare")) {
        const QString file = folder + QStringLiteral("/bare.html");
        if (!QFile(file).exists()) {
            std::ofstream(file.toStdString(), std::ios::binary) << page.toStdString();
        }
        // The engine starts with the first view: that counts, as it does for
        // the first Split Screen.
        QElapsedTimer made;
        made.start();
        BareView bare;
        const double start = ms(made);
        t = bare.load(file);
        t = t < 0 ? t : start + t;
    } else {
        textedit& w = textedit::instance();
        w.Text1->setText(page);
        t = splitScreen(w);
    }
    std::printf("%.1f\n", t);
    for (pw::Form* f : pw::Form::loadedForms())
        f->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return t < 0 ? 1 : 0;
}

double firstInChild(const QString& mode, const QString& folder) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--first"), mode, folder});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return -1;
    return p.readAllStandardOutput().trimmed().toDouble();
}

void report(const char* what, const QList<double>& ours, const QList<double>& bare) {
    const double o = median(ours), b = median(bare);
    std::printf("%-28s median %7.1f ms, bare engine %7.1f ms: %.2f x (%lld runs)\n", what, o, b,
                o / b, qlonglong(ours.size()));
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
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--first"))
        return firstLoad(args[2], args[3]);

    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    constexpr int Runs = 9;

    // 1. The first preview after start-up, each in a fresh process.
    QList<double> firstOurs, firstBare;
    for (int i = 0; i < 5; ++i) {
        firstBare << firstInChild(QStringLiteral("bare"), dir.path());
        firstOurs << firstInChild(QStringLiteral("split"), dir.path());
    }
    if (firstOurs.contains(-1) || firstBare.contains(-1)) {
        std::fprintf(stderr, "a first page did not load\n");
        return 1;
    }
    report("First Split Screen, 1 MB", firstOurs, firstBare);

    // 2. Split Screen, Refresh and View As Web Page against the bare engine,
    // in turns, after one load of each to start the engine.
    textedit& w = textedit::instance();
    BareView bare;
    const QString page = htmlText(1 << 20, QStringLiteral("warm"));
    QList<double> split, refresh, view, plain, plainNew;
    for (int i = 0; i <= Runs; ++i) {
        const QString text = page + QStringLiteral("<p>run %1</p>").arg(i);
        const QString file = dir.filePath(QStringLiteral("bare-%1.html").arg(i));
        std::ofstream(file.toStdString(), std::ios::binary) << text.toStdString() << "\r\n";
        double b = -1, s = -1, r = -1, v = -1, n = -1;
        const std::function<void()> steps[] = {
            [&] { b = bare.load(file); },
            [&] {
                w.Text1->setText(text);
                s = splitScreen(w);
            },
            [&] {
                w.Text1->setText(text + QStringLiteral("<p>again</p>"));
                r = timeLoad(w.WebBrowser1, &pw::WebView::loadFinished,
                             [&] { w.refresh->action()->trigger(); });
            },
            [&] { v = viewAsWebPage(w); },
            // The preview window is a new window with a new view: so is this.
            [&] {
                BareView fresh;
                n = fresh.load(file);
            },
        };
        // Each in turn goes first, so that none always follows the same one.
        for (int k = 0; k < 5; ++k) {
            steps[(i + k) % 5]();
            settle();
        }
        if (b < 0 || s < 0 || r < 0 || v < 0 || n < 0) {
            std::fprintf(stderr, "a page did not load\n");
            return 1;
        }
        if (i == 0)
            continue;
        plain << b;
        split << s;
        refresh << r;
        view << v;
        plainNew << n;
    }
    report("Split Screen, 1 MB", split, plain);
    report("Refresh, 1 MB", refresh, plain);
    report("View As Web Page, 1 MB", view, plainNew);

    // 3. The preview file for 10 MB, against std::ofstream of the same bytes.
    const QString big = htmlText(10 << 20, QStringLiteral("write"));
    const QByteArray bytes = pw::toCodePage(big) + QByteArray("\r\n");
    QList<double> seq, ofs;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer t;
        t.start();
        {
            pw::SequentialFile f(QStringLiteral("view.html"), pw::SequentialFile::Output);
            f.Print(big);
            f.Close();
        }
        seq << ms(t);
        t.start();
        {
            std::ofstream f("plain.html", std::ios::binary | std::ios::trunc);
            f.write(bytes.constData(), std::streamsize(bytes.size()));
            f.close();
            if (!f)
                return 1;
        }
        ofs << ms(t);
    }
    std::printf("view.html, %.1f MB: preview file write median %.1f ms, std::ofstream median "
                "%.1f ms, ratio %.2f\n",
                double(bytes.size()) / (1 << 20), median(seq), median(ofs),
                median(seq) / median(ofs));
    // The windows (and their pages) go before the engine's profile does.
    for (pw::Form* f : pw::Form::loadedForms())
        f->Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
