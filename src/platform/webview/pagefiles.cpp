#include "pagefiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMutexLocker>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace {

constexpr Qt::CaseSensitivity pathCase =
#ifdef Q_OS_WIN
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

// Whether path is folder or lies somewhere below it.
bool within(const QString& path, const QString& folder) {
    if (folder.isEmpty() || path.isEmpty() || !path.startsWith(folder, pathCase))
        return false;
    return path.size() == folder.size() || folder.endsWith(QLatin1Char('/')) ||
           path.at(folder.size()) == QLatin1Char('/');
}

} // namespace

void PageFiles::registerScheme() {
    QWebEngineUrlScheme scheme(Scheme);
    // With a host, so that relative addresses resolve as they do for files.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Not being allowed local access, its pages load no file URL; each of its
    // pages is an origin of its own, whose scripts cannot read its other
    // files. (Pages from the web are turned away in requestStarted.)
    scheme.setFlags(QWebEngineUrlScheme::NoAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

PageFiles::Folder PageFiles::folder(const QString& path) {
    if (path.isEmpty())
        return {};
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    return {clean, QFileInfo(clean).canonicalFilePath()};
}

QUrl PageFiles::showPage(const QString& path) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    {
        QMutexLocker lock(&m_mutex);
        m_page = folder(QFileInfo(clean).absolutePath());
        m_pageFile = clean;
    }
    QUrl url;
    url.setScheme(QString::fromLatin1(Scheme));
    url.setHost(QStringLiteral("page"));
    url.setPath(clean.startsWith(QLatin1Char('/')) ? clean : QLatin1Char('/') + clean);
    return url;
}

void PageFiles::setCodePage(const QString& name) {
    QMutexLocker lock(&m_mutex);
    m_codePage = name.toLatin1();
}

void PageFiles::setDocumentFolder(const QString& path) {
    const Folder f = folder(path);
    QMutexLocker lock(&m_mutex);
    m_document = f;
}

QString PageFiles::fileFor(const QString& requested) {
    QString path = QDir::cleanPath(requested);
#ifdef Q_OS_WIN
    if (path.size() > 2 && path.at(0) == QLatin1Char('/') && path.at(2) == QLatin1Char(':'))
        path.remove(0, 1); // "/C:/..."
#endif
    QMutexLocker lock(&m_mutex);
    const QFileInfo file(path);
    if (file.exists()) {
        const QString real = file.canonicalFilePath();
        const bool allowed =
            file.isFile() && (within(real, m_page.canonical) || within(real, m_document.canonical));
        return allowed ? path : QString();
    }
    // Missing beside the page: the document's folder may have it.
    if (m_document.path.isEmpty() || !within(path, m_page.path))
        return {};
    const QString moved = QDir::cleanPath(m_document.path + QLatin1Char('/') +
                                          QDir(m_page.path).relativeFilePath(path));
    const QFileInfo other(moved);
    if (!other.isFile() || !within(other.canonicalFilePath(), m_document.canonical))
        return {};
    return moved;
}

void PageFiles::requestStarted(QWebEngineUrlRequestJob* job) {
    // Only the program and its own pages (whose origins are opaque) ask.
    const QUrl from = job->initiator();
    const bool ours = from.isEmpty() || from.toString() == QLatin1String("null") ||
                      from.scheme() == QLatin1String(Scheme);
    const QString path = ours ? fileFor(job->requestUrl().path()) : QString();
    if (path.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // A page and its usual files are read here at once: the engine takes a
    // buffer in memory in far fewer steps than a file it reads piece by
    // piece. Large files (media) are read as the engine goes.
    constexpr qint64 ReadAtOnce = 16 << 20;
    auto* file = new QFile(path, job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    QIODevice* body = file;
    if (file->size() <= ReadAtOnce) {
        auto* bytes = new QBuffer(job);
        bytes->setData(file->readAll());
        bytes->open(QIODevice::ReadOnly);
        body = bytes;
    }
    static const QMimeDatabase types;
    QByteArray type = types.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toLatin1();
    {
        // The page the program wrote is in its code page, whatever the page
        // says of itself.
        QMutexLocker lock(&m_mutex);
        if (path == m_pageFile && !m_codePage.isEmpty())
            type += "; charset=" + m_codePage;
    }
    job->reply(type, body);
}
