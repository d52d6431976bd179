// The web view module: engine views built on Qt's web engine, handed to the
// program's web views through the factory below.

#include "pagefiles.h"
#include "pagerequests.h"
#include "pageserver.h"
#include "processend.h"
#include "webengine.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <memory>
#include <utility>

namespace {

// A page of the preview. Its dialogs never stop the program: the preview is a
// view of the user's text, not a browsing session, so a page that calls
// alert() in a loop must not hold the editor hostage. Each dialog is answered
// at once as if dismissed, and its message goes to the diagnostic output.
// Leaving or reloading a page never asks.
class PreviewPage final : public QWebEnginePage {
public:
    PreviewPage(QObject* parent, const PageFiles& files)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent) {
        // The only way to the local files.
        setUrlRequestInterceptor(new PageRequests(this, files));
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    }

protected:
    void javaScriptAlert(const QUrl& origin, const QString& message) override {
        report("alert", origin, message);
    }
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override {
        if (isLeaveQuestion(message))
            return true;
        report("confirm", origin, message);
        return false;
    }
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString&,
                          QString*) override {
        report("prompt", origin, message);
        return false;
    }

private:
    // The engine asks "leave this page?" (a page's beforeunload handler)
    // through the same confirm, in these words: the program installs no
    // translation of Qt's own texts. Leaving is always right here.
    static bool isLeaveQuestion(const QString& message) {
        return message.startsWith(QLatin1String("Are you sure you want to leave this page?"));
    }

    static void report(const char* kind, const QUrl& origin, const QString& message) {
        qInfo("Pagewick: a page's %s was dismissed (%s): %s", kind,
              qUtf8Printable(origin.toDisplayString()), qUtf8Printable(message.left(500)));
    }
};

class EngineView final : public QWebEngineView, public pw::WebEngineView {
public:
    EngineView(QWidget* parent, PageFiles* files, pw::WebEngineEvents events)
        : QWebEngineView(parent), m_page(new PreviewPage(this, *files)), m_files(files),
          m_events(std::move(events)) {
        setPage(m_page);
        // The view's page uses the engine's default profile, which (since Qt
        // 6) keeps its cache, cookies and storage in memory only, off the
        // record: nothing of a page is written to disk.
        connect(m_page, &QWebEnginePage::renderProcessTerminated, this, [this] {
            // A renderer ended for not answering: show the page again in a
            // fresh one.
            if (!m_retry.isEmpty())
                QWebEngineView::load(std::exchange(m_retry, QUrl()));
        });
        connect(this, &QWebEngineView::loadStarted, this, [this] {
            if (m_events.loadStarted)
                m_events.loadStarted();
        });
        connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
            ++m_loadsFinished;
            if (m_events.loadFinished)
                m_events.loadFinished(ok);
        });
    }

    ~EngineView() override {
        // The page goes after this object's own members; nothing it reports
        // on its way out may reach them.
        *m_alive = false;
        disconnect(this, nullptr, this, nullptr);
    }

    QWidget* widget() override { return this; }

    // Loading the page the view already shows is a reload to the engine, which
    // keeps the scroll position (where the page allows it).
    void load(const QUrl& target) override {
        const QUrl shown = target.isLocalFile() ? m_files->showPage(target.toLocalFile()) : target;
        QWebEngineView::load(shown);
        watchForHang(shown);
    }

    void setDocumentFolder(const QString& folder) override { m_files->setDocumentFolder(folder); }

    void toPlainText(std::function<void(const QString&)> done) override {
        page()->toPlainText([alive = m_alive, done = std::move(done)](const QString& text) {
            if (*alive)
                done(text);
        });
    }

    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done) override {
        page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                              [alive = m_alive, done = std::move(done)](const QVariant& v) {
                                  if (*alive && done)
                                      done(v);
                              });
    }

private:
    // The page runs in a renderer process of its own, so a script that never
    // ends blocks only that process; but then the page can never be loaded
    // again. A load that neither finishes nor lets the page answer a trivial
    // script within a few seconds ends that renderer, and the page is loaded
    // once more in a fresh one.
    void watchForHang(const QUrl& target) {
        const qint64 pid = m_page->renderProcessPid();
        if (pid <= 0)
            return;
        auto answered = std::make_shared<bool>(false);
        page()->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                              [answered](const QVariant&) { *answered = true; });
        const int finishedBefore = m_loadsFinished;
        QTimer::singleShot(HangLimitMs, this, [this, answered, pid, target, finishedBefore] {
            if (*answered || m_loadsFinished != finishedBefore || m_page->renderProcessPid() != pid)
                return;
            qInfo("Pagewick: the page did not answer for %d seconds; its renderer was ended",
                  HangLimitMs / 1000);
            m_retry = target;
            endProcess(pid);
        });
    }

    static constexpr int HangLimitMs = 3000;
    PreviewPage* m_page;
    PageFiles* m_files;
    int m_loadsFinished = 0;
    QUrl m_retry;
    pw::WebEngineEvents m_events;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

class WebViewModule final : public QObject, public pw::WebEngineFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PW_WEBENGINE_FACTORY_IID)
    Q_INTERFACES(pw::WebEngineFactory)
public:
    WebViewModule() {
        // The program writes nothing on its own. The engine draws through
        // OpenGL, and Qt keeps the compiled shaders in a cache under the
        // user's folders unless told not to; it reads this before the first
        // view draws.
        QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    }

    pw::WebEngineView* create(QWidget* parent, const QString& textEncoding,
                              pw::WebEngineEvents events) override {
        if (!s_server) {
            s_server = new PageServer(s_files);
            if (!s_server->isListening())
                qWarning("Pagewick: the preview cannot listen on the loopback address; local "
                         "pages will not show");
            // Its thread ends with the application, before the engine does.
            qAddPostRoutine([] { delete std::exchange(s_server, nullptr); });
        }
        // The pages the program writes are read in the character set it
        // writes them in.
        s_files.setCodePage(textEncoding);
        return new EngineView(parent, &s_files, std::move(events));
    }

private:
    static inline PageFiles s_files;
    static inline PageServer* s_server = nullptr;
};

} // namespace

#include "webviewmodule.moc"
