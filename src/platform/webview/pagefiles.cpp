#include "pagefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMutexLocker>
#include <QRandomGenerator>

namespace {

const QString LoopbackHost = QStringLiteral("127.0.0.1");

// The local path a URL's path stands for, in the system's bytes.
QByteArray localPath(const QString& path) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
#ifdef Q_OS_WIN
    QByteArray bytes = clean.toUtf8(); // as the page root takes names there
#else
    QByteArray bytes = QFile::encodeName(clean);
#endif
    if (!bytes.startsWith('/'))
        bytes.prepend('/'); // "C:/..." on Windows
    return bytes;
}

// The part of path below folder (both from '/'), or empty when it is not
// below it.
QByteArray below(const QByteArray& path, const QString& folder) {
    if (folder.isEmpty())
        return {};
    QByteArray root = localPath(folder);
    if (!root.endsWith('/'))
        root += '/';
#ifdef Q_OS_WIN
    if (!path.toLower().startsWith(root.toLower()))
        return {};
#else
    if (!path.startsWith(root))
        return {};
#endif
    return path.mid(root.size());
}

} // namespace

PageFiles::PageFiles() {
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    m_key = QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
}

void PageFiles::setPorts(quint16 page, quint16 files) {
    QMutexLocker lock(&m_mutex);
    m_pagePort = page;
    m_filesPort = files;
}

QUrl PageFiles::showPage(const QString& path) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    auto root = std::make_shared<const PageRoot>(QFileInfo(clean).absolutePath());
    const QByteArray bytes = localPath(clean);
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(LoopbackHost);
    QMutexLocker lock(&m_mutex);
    url.setPort(m_pagePort);
    url.setPath(QString::fromLatin1(QUrl::toPercentEncoding(bytes, "/")), QUrl::StrictMode);
    m_page = std::move(root);
    m_pageFile = bytes;
    m_shown = url;
    return url;
}

bool PageFiles::isShownPage(const QUrl& url) const {
    QMutexLocker lock(&m_mutex);
    return !m_shown.isEmpty() && url.adjusted(QUrl::RemoveFragment) == m_shown;
}

void PageFiles::setCodePage(const QString& name) {
    QMutexLocker lock(&m_mutex);
    m_codePage = name.toLatin1();
}

void PageFiles::setDocumentFolder(const QString& folder) {
    auto root = folder.isEmpty() ? nullptr : std::make_shared<const PageRoot>(folder);
    QMutexLocker lock(&m_mutex);
    m_document = std::move(root);
}

PageFiles::Origin PageFiles::originOf(const QUrl& url) const {
    if (url.scheme() != QLatin1String("http") || url.host() != LoopbackHost)
        return Origin::None;
    QMutexLocker lock(&m_mutex);
    const int port = url.port();
    if (port == m_pagePort && port > 0)
        return Origin::Page;
    if (port == m_filesPort && port > 0)
        return Origin::Files;
    return Origin::None;
}

QUrl PageFiles::onFilesOrigin(const QUrl& url) const {
    QUrl moved = url;
    QMutexLocker lock(&m_mutex);
    moved.setPort(m_filesPort);
    return moved;
}

QByteArray PageFiles::hostOf(Origin origin) const {
    QMutexLocker lock(&m_mutex);
    const quint16 port = origin == Origin::Page ? m_pagePort : m_filesPort;
    return LoopbackHost.toLatin1() + ':' + QByteArray::number(port);
}

bool PageFiles::open(const QByteArray& requested, QFile& file, QByteArray& type) const {
    const QByteArray& path = requested;
    std::shared_ptr<const PageRoot> page, document;
    QByteArray pageFile, codePage;
    {
        QMutexLocker lock(&m_mutex);
        page = m_page;
        document = m_document;
        pageFile = m_pageFile;
        codePage = m_codePage;
    }
    bool opened = false;
    const QByteArray besidePage = page ? below(path, page->path()) : QByteArray();
    if (!besidePage.isEmpty()) {
        const PageRoot::Result r = page->open(besidePage, file);
        opened = r == PageRoot::Result::Opened;
        // Missing beside the page: the document's folder may have it.
        if (r == PageRoot::Result::Missing && document)
            opened = document->open(besidePage, file) == PageRoot::Result::Opened;
    } else if (document) {
        const QByteArray inDocument = below(path, document->path());
        opened =
            !inDocument.isEmpty() && document->open(inDocument, file) == PageRoot::Result::Opened;
    }
    if (!opened)
        return false;
    static const QMimeDatabase types;
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    type = types.mimeTypeForFile(QString::fromLatin1(name), QMimeDatabase::MatchExtension)
               .name()
               .toLatin1();
    // The page the program wrote is in its code page, whatever the page says
    // of itself.
    if (path == pageFile && !codePage.isEmpty())
        type += "; charset=" + codePage;
    return true;
}
