#pragma once
// What the web view module offers the web view. The module is a Qt plugin
// built on the web engine; it is the only part of the program that links the
// engine, and it is loaded the first time a web view shows a page. Both sides
// see only these plain interfaces, so no Qt meta-object crosses the border.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QtPlugin>
#include <functional>

class QWidget;

namespace pw {

// One engine view: a child widget of the web view that fills it.
class WebEngineView {
public:
    virtual ~WebEngineView() = default;

    virtual QWidget* widget() = 0;
    // Starts loading url and returns at once. A local file is shown as a page
    // that may load the files of its own folder and of the document's folder
    // and no others, and whose scripts read no local file. Loading the page the view
    // already shows keeps its scroll position where the page allows it.
    virtual void load(const QUrl& url) = 0;
    // The folder of the document the page's text came from (empty for none):
    // the page may load files from it too.
    virtual void setDocumentFolder(const QString& folder) = 0;
    // The text of the page shown now, handed to done once the engine has it.
    virtual void toPlainText(std::function<void(const QString&)> done) = 0;
    // Runs a script in a world of its own on the page shown now.
    virtual void runJavaScript(const QString& script,
                               std::function<void(const QVariant&)> done) = 0;
};

// What the engine view tells its web view.
struct WebEngineEvents {
    std::function<void()> loadStarted;
    // After a page has loaded (ok) or failed to load.
    std::function<void(bool ok)> loadFinished;
};

class WebEngineFactory {
public:
    virtual ~WebEngineFactory() = default;
    // A new view, owned by parent. textEncoding names the character set the
    // program writes its files in: the local pages it shows are read in it.
    virtual WebEngineView* create(QWidget* parent, const QString& textEncoding,
                                  WebEngineEvents events) = 0;
};

} // namespace pw

#define PW_WEBENGINE_FACTORY_IID "org.pagewick.WebEngineFactory/2"
Q_DECLARE_INTERFACE(pw::WebEngineFactory, PW_WEBENGINE_FACTORY_IID)
