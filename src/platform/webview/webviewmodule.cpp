// The web view module: engine views built on Qt's web engine, handed to the
// program's web views through the factory below.

#include "platform/webengine.h"

#include <QCoreApplication>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <memory>
#include <utility>

namespace {

class EngineView final : public QWebEngineView, public pw::WebEngineView {
public:
    EngineView(QWidget* parent, const QString& textEncoding, pw::WebEngineEvents events)
        : QWebEngineView(parent), m_events(std::move(events)) {
        // The view's page uses the engine's default profile, which (since Qt
        // 6) keeps its cache, cookies and storage in memory only, off the
        // record: nothing of a page is written to disk.
        // Pages without a declared character set are read in the set the
        // program writes its files in.
        settings()->setDefaultTextEncoding(textEncoding);
        connect(this, &QWebEngineView::loadStarted, this, [this] {
            if (m_events.loadStarted)
                m_events.loadStarted();
        });
        connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
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
    void load(const QUrl& target) override { QWebEngineView::load(target); }

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
        return new EngineView(parent, textEncoding, std::move(events));
    }
};

} // namespace

#include "webviewmodule.moc"
