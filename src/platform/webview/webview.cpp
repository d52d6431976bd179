#include "webview.h"

#include "platform/desktop/failure.h"
#include "platform/files/seqfile.h"
#include "webengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QResizeEvent>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#if QT_CONFIG(opengl)
QT_BEGIN_NAMESPACE
// Qt's own modules set the context every later one shares with this way.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE
#endif

namespace pw {

namespace {

// The web engine draws with OpenGL contexts that share with one global
// context. An application that links the engine gets it at start-up; here the
// engine comes later, so the context is made just before the module loads
// (and never at start-up, where it would cost a graphics driver's load).
void shareGraphicsContexts() {
#if QT_CONFIG(opengl)
    if (QOpenGLContext::globalShareContext())
        return;
    static QOpenGLContext* context = nullptr;
    context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create(); // without OpenGL the engine draws in software
    qt_gl_set_global_share_context(context);
    // Gone with the application, while its window system is still there.
    qAddPostRoutine([] {
        if (QOpenGLContext::globalShareContext() == context)
            qt_gl_set_global_share_context(nullptr);
        delete context;
        context = nullptr;
    });
#endif
}

QString& moduleOverride() {
    static QString file;
    return file;
}

// The loaded module's factory; loaded at most once per process. A module
// that failed to load is tried again next time (it may have been put back).
WebEngineFactory* loadFactory(QString* reason) {
    static WebEngineFactory* factory = nullptr;
    if (factory)
        return factory;
    QPluginLoader loader(WebView::moduleFile());
    if (!QFileInfo::exists(loader.fileName())) {
        *reason = QStringLiteral("The file is missing.");
        return nullptr;
    }
    shareGraphicsContexts();
    QObject* module = loader.instance();
    if (!module) {
        *reason = loader.errorString();
        return nullptr;
    }
    factory = qobject_cast<WebEngineFactory*>(module);
    if (!factory) {
        *reason = QStringLiteral("The file is not Pagewick's web view module.");
        loader.unload();
    }
    return factory;
}

// The character set of the files the program writes (its sequential files'
// code page): pages that do not declare one are read in it.
QString pageCodePage() {
#ifdef Q_OS_WIN
    return QStringLiteral("windows-%1").arg(GetACP());
#else
    return QString::fromLatin1(codePageName());
#endif
}

QString& documentFolder() {
    static QString folder;
    return folder;
}

} // namespace

WebView::WebView(QWidget* parent) : QWidget(parent) {}

WebView::~WebView() {
    // The engine's view goes first, while this object can still hear it.
    delete m_engineWidget;
}

QString WebView::moduleFile() {
    if (!moduleOverride().isEmpty())
        return moduleOverride();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/pw_webview");
}

void WebView::setModuleFile(const QString& file) {
    moduleOverride() = file;
}

void WebView::setDocumentFolder(const QString& folder) {
    documentFolder() = folder;
}

QUrl WebView::urlFor(const QString& location) {
    if (location.isEmpty())
        return QUrl(QStringLiteral("about:blank"));
    // A scheme of one letter is a drive ("C:\...").
    const QUrl asUrl(location);
    if (asUrl.isValid() && asUrl.scheme().size() > 1)
        return asUrl;
    QString path = QDir::fromNativeSeparators(location);
    if (QDir::isRelativePath(path))
        path = QDir::current().absoluteFilePath(path);
    // A folder path that ends in a separator followed by one more (the root
    // folder) must not turn into a network host name ("//view.html").
    return QUrl::fromLocalFile(QDir::cleanPath(path));
}

void WebView::createEngine(const QString& location) {
    QString reason;
    WebEngineFactory* factory = loadFactory(&reason);
    if (!factory)
        throw OperationError(QStringLiteral("Could not show the page"), location,
                             QStringLiteral("The web view module (%1) could not be loaded: %2")
                                 .arg(QDir::toNativeSeparators(moduleFile()), reason));
    // The engine draws through the graphics card, so the window that first
    // holds it is made again as a window of that kind. Told where it stands,
    // the window manager puts the new one where the old one was.
    QWidget* top = window();
    if (top->isVisible())
        top->move(top->pos());
    WebEngineEvents events;
    events.loadStarted = [this] { emit loadStarted(); };
    events.loadFinished = [this](bool ok) { emit loadFinished(ok); };
    m_engine = factory->create(this, pageCodePage(), std::move(events));
    m_engineWidget = m_engine->widget();
    m_engineWidget->setGeometry(rect());
    setFocusProxy(m_engineWidget);
    m_engineWidget->show();
}

void WebView::Navigate(const QString& location) {
    if (!m_engine)
        createEngine(location);
    m_location = urlFor(location);
    m_engine->setDocumentFolder(documentFolder());
    m_engine->load(m_location);
}

void WebView::pageText(std::function<void(const QString&)> done) {
    if (!m_engine) {
        done(QString());
        return;
    }
    m_engine->toPlainText(std::move(done));
}

void WebView::runJavaScript(const QString& script, std::function<void(const QVariant&)> done) {
    if (m_engine)
        m_engine->runJavaScript(script, std::move(done));
}

void WebView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_engineWidget)
        m_engineWidget->setGeometry(rect());
}

} // namespace pw
