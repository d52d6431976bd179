#pragma once
// Which local files a previewed page may load.
//
// The preview shows the user's own text as a page, and a page may be anyone's
// (a downloaded file, a colleague's). It shows as a local file shows in a
// browser, with its own stylesheets, scripts, images, fonts and frames, but it
// must never read the user's other files. So the engine is never given a file
// URL: a local page is loaded as "pagewick-page:" followed by its path, and
// every file it asks for comes from this handler, which serves only
// - files below the page's own folder, and
// - files below the folder of the document the text came from; a file the
//   page asks for beside itself that is not there is taken from the
//   document's folder, so a page's relative links work although "view.html"
//   lies in the folder the program was started from.
// Nothing else on the disk can be reached: the scheme may not load file URLs,
// and no folder is ever listed. Each page is an origin of its own, so its
// scripts cannot read even these files (no XMLHttpRequest or fetch of them, no
// reading of frames); pages from the web cannot load them at all. Resources on the web
// load as they would for a local file.

#include <QMutex>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

class PageFiles final : public QWebEngineUrlSchemeHandler {
public:
    static constexpr char Scheme[] = "pagewick-page";
    // Makes the scheme known to the engine; before the engine starts.
    static void registerScheme();

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The URL the engine loads for a local file, which becomes the page's
    // file: its folder is the page's folder from now on.
    QUrl showPage(const QString& path);
    // The character set of the pages the program writes.
    void setCodePage(const QString& name);
    // The folder of the document the text came from; empty for none.
    void setDocumentFolder(const QString& folder);

    // The file served for a request's path; empty when none may be.
    QString fileFor(const QString& requested);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    struct Folder {
        QString path;      // cleaned, as given
        QString canonical; // links resolved; empty when it does not exist
    };
    static Folder folder(const QString& path);

    QMutex m_mutex;
    Folder m_page;
    QString m_pageFile;
    QByteArray m_codePage;
    Folder m_document;
};
