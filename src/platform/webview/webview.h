#pragma once
// The embedded web view. The web engine is heavy: it lives in a module of its
// own (pw_webview, beside the program) that is loaded, and its view created,
// the first time a page is shown; until then the web view is an empty panel.

#include <QUrl>
#include <QVariant>
#include <QWidget>
#include <functional>

namespace pw {

class WebEngineView;

class WebView : public QWidget {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent);
    ~WebView() override;

    // Shows the page at a plain local path (or a URL); returns without
    // waiting for the page to load. Showing the page again keeps its scroll
    // position. Throws OperationError when the web view module cannot be
    // loaded.
    void Navigate(const QString& location);
    bool Visible() const { return !isHidden(); }

    // Whether the engine's view exists (it is made by the first Navigate).
    bool hasEngine() const { return m_engine != nullptr; }
    // The page the view was last told to show; empty before the first Navigate.
    QUrl location() const { return m_location; }
    // The text of the page shown now, handed to done once the engine has it;
    // a view that has shown nothing yet has the empty text.
    void pageText(std::function<void(const QString&)> done);
    // Runs a script on the page shown now; done gets its result. Nothing runs
    // before the first Navigate.
    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done = {});

    // How Navigate reads its argument: a URL with a scheme stays as it is;
    // anything else is a local path (either separator, relative to the
    // current folder), doubled separators taken as one.
    static QUrl urlFor(const QString& location);

    // The folder of the file the text was last opened from or saved to;
    // empty while the text came from no file. Pages shown afterwards may load
    // their relative files from it when they are not beside the page itself.
    static void setDocumentFolder(const QString& folder);

    // The module's file: "pw_webview" with the platform's suffix in the
    // program's folder, unless set otherwise. A module that loaded once stays.
    static QString moduleFile();
    static void setModuleFile(const QString& file);

signals:
    void loadStarted();
    // A page finished loading (ok) or failed.
    void loadFinished(bool ok);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void createEngine(const QString& location);

    WebEngineView* m_engine = nullptr;
    QWidget* m_engineWidget = nullptr;
    QUrl m_location;
};

} // namespace pw
