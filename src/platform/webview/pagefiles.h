#pragma once
// Which local files a previewed page may load, and where they come from.
//
// The preview shows the user's own text as a page, and a page may be anyone's
// (a downloaded file, a colleague's). It shows as a local file shows in a
// browser, with its own stylesheets, scripts, images, fonts and frames, but no
// script in it may read a byte or a pixel of a local file. The engine is never
// given a file URL. The module serves the files itself over the loopback
// address (pageserver.h), from two origins:
// - the page origin serves the page itself, the only document there, and
// - the files origin serves everything the page uses: its images, styles,
//   scripts, fonts, media and frames. Being of another origin, an image
//   taints a canvas, and fetch or XMLHttpRequest would need a CORS answer
//   that is never given; frames served from it are sandboxed, each an origin
//   of its own.
// Only requests that the preview's own page makes are served (pagerequests.h
// decides, and marks them with a key no page can see); anything else that
// reaches the address, from a web page, another program or another user, is
// refused without a word on what exists.
//
// Files come from below the page's own folder and from below the folder of
// the document the text came from; a file the page asks for beside itself
// that is not there is taken from the document's folder, so a page's relative
// links work although "view.html" lies in the folder the program was started
// from. Each folder is held open (pageroot.h) and a file is opened below it
// in one step, so no link swapped in can lead out of it.

#include "pageroot.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QUrl>
#include <memory>

class QFile;

class PageFiles {
public:
    enum class Origin { None, Page, Files };

    PageFiles();

    // Once the server listens: the two origins' ports.
    void setPorts(quint16 page, quint16 files);
    // The secret that marks the requests the preview's pages may make.
    const QByteArray& key() const { return m_key; }

    // The URL the engine loads for a local file, which becomes the page's
    // file: its folder is the page's folder from now on.
    QUrl showPage(const QString& path);
    // Whether url is the page the program last asked to show.
    bool isShownPage(const QUrl& url) const;
    // The character set of the pages the program writes.
    void setCodePage(const QString& name);
    // The folder of the document the text came from; empty for none.
    void setDocumentFolder(const QString& folder);

    // Which of the two origins url is on, if any.
    Origin originOf(const QUrl& url) const;
    // The same file on the other origin.
    QUrl onFilesOrigin(const QUrl& url) const;
    // The host and port a request to origin must name.
    QByteArray hostOf(Origin origin) const;

    // Opens the file for a request's path (percent-decoded, from '/'), if one
    // may be served; type is then its content type.
    bool open(const QByteArray& path, QFile& file, QByteArray& type) const;

private:
    mutable QMutex m_mutex;
    QByteArray m_key;
    quint16 m_pagePort = 0;
    quint16 m_filesPort = 0;
    std::shared_ptr<const PageRoot> m_page;
    std::shared_ptr<const PageRoot> m_document;
    QByteArray m_pageFile; // the page's own path, as it is requested
    QUrl m_shown;
    QByteArray m_codePage;
};
