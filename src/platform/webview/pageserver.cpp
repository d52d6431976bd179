#include "pageserver.h"

#include "pagefiles.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

namespace {

constexpr qsizetype MaxHead = 32 << 10;
// A page and its usual files go out in one piece; larger files (media) in
// pieces as the engine takes them.
constexpr qint64 WholeLimit = 16 << 20;
constexpr qint64 Piece = 1 << 20;

// Frames from the files origin are each an origin of their own: their scripts
// run, but they cannot read the files they show either.
constexpr char FrameSandbox[] =
    "sandbox allow-scripts allow-forms allow-popups allow-modals allow-pointer-lock";

struct Request {
    QByteArray method, target, version;
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case

    QByteArray header(const char* name) const {
        for (const auto& h : headers)
            if (h.first == name)
                return h.second;
        return {};
    }
    bool has(const char* name) const {
        for (const auto& h : headers)
            if (h.first == name)
                return true;
        return false;
    }
};

bool parseHead(const QByteArray& head, Request& r) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3)
        return false;
    r.method = first[0];
    r.target = first[1];
    r.version = first[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        r.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    return r.version.startsWith("HTTP/1.");
}

// Keys compared in time that does not depend on where they differ.
bool sameKey(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size() || a.isEmpty())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// One range of bytes=, as media elements ask; false when there is none.
bool parseRange(const QByteArray& value, qint64 size, qint64& from, qint64& to, bool& valid) {
    valid = true;
    if (!value.startsWith("bytes=") || value.contains(','))
        return false;
    const QByteArray range = value.mid(6).trimmed();
    const qsizetype dash = range.indexOf('-');
    if (dash < 0)
        return false;
    bool ok1 = true, ok2 = true;
    const QByteArray a = range.left(dash).trimmed(), b = range.mid(dash + 1).trimmed();
    if (a.isEmpty()) {
        const qint64 n = b.toLongLong(&ok2);
        from = qMax<qint64>(0, size - n);
        to = size - 1;
    } else {
        from = a.toLongLong(&ok1);
        to = b.isEmpty() ? size - 1 : qMin(size - 1, b.toLongLong(&ok2));
    }
    valid = ok1 && ok2 && from >= 0 && from <= to && from < size;
    return true;
}

class Connection final : public QObject {
public:
    Connection(QTcpSocket* socket, PageFiles& files, PageFiles::Origin origin)
        : QObject(socket), m_socket(socket), m_files(files), m_origin(origin) {
        connect(socket, &QTcpSocket::readyRead, this, &Connection::readMore);
        connect(socket, &QTcpSocket::bytesWritten, this, &Connection::sendMore);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void readMore() {
        m_buffer += m_socket->readAll();
        handleBuffered();
    }

    void handleBuffered() {
        while (!m_body) {
            const qsizetype end = m_buffer.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_buffer.size() > MaxHead)
                    finish("431 Request Header Fields Too Large", false);
                return;
            }
            const QByteArray head = m_buffer.left(end);
            m_buffer.remove(0, end + 4);
            Request r;
            if (!parseHead(head, r) || r.has("content-length") || r.has("transfer-encoding")) {
                finish("400 Bad Request", false);
                return;
            }
            answer(r);
            if (m_socket->state() != QAbstractSocket::ConnectedState)
                return;
        }
    }

    void answer(const Request& r) {
        m_keepAlive = r.version == "HTTP/1.1" && r.header("connection").toLower() != "close";
        if (r.header("host") != m_files.hostOf(m_origin))
            return finish("421 Misdirected Request", false);
        if (r.method == "OPTIONS")
            return preflight(r);
        if (r.method != "GET" && r.method != "HEAD")
            return finish("405 Method Not Allowed", m_keepAlive, "Allow: GET, HEAD\r\n");
        const QByteArray key = r.header(PageServer::KeyHeader);
        qsizetype cut = r.target.size();
        for (const char end : {'?', '#'})
            if (const qsizetype at = r.target.indexOf(end); at >= 0)
                cut = qMin(cut, at);
        const QByteArray path = QByteArray::fromPercentEncoding(r.target.left(cut));
        auto file = std::make_unique<QFile>();
        QByteArray type;
        if (!sameKey(key, m_files.key()) || !path.startsWith('/') ||
            !m_files.open(path, *file, type))
            return finish("404 Not Found", m_keepAlive);

        const qint64 size = file->size();
        qint64 from = 0, to = size - 1;
        bool valid = true;
        const bool ranged = r.has("range") && parseRange(r.header("range"), size, from, to, valid);
        if (ranged && !valid)
            return finish("416 Range Not Satisfiable", m_keepAlive,
                          "Content-Range: bytes */" + QByteArray::number(size) + "\r\n");
        QByteArray head = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
        head +=
            "Content-Type: " + (type.isEmpty() ? QByteArray("application/octet-stream") : type) +
            "\r\nContent-Length: " + QByteArray::number(size ? to - from + 1 : 0) + "\r\n";
        if (ranged)
            head += "Content-Range: bytes " + QByteArray::number(from) + '-' +
                    QByteArray::number(to) + '/' + QByteArray::number(size) + "\r\n";
        head += common();
        if (m_origin == PageFiles::Origin::Files) {
            head += QByteArray("Content-Security-Policy: ") + FrameSandbox + "\r\n";
            // Fonts and module scripts are fetched with CORS; the filter
            // grants it to them and to nothing a script could read.
            const QByteArray origin = r.header("origin");
            if (r.has(PageServer::CorsHeader) && !origin.isEmpty())
                head += "Access-Control-Allow-Origin: " + origin + "\r\nVary: Origin\r\n";
        }
        m_socket->write(head + "\r\n");
        if (r.method == "HEAD" || size == 0)
            return done();
        if (from > 0 && !file->seek(from))
            return finish("500 Internal Server Error", false);
        m_remaining = to - from + 1;
        if (m_remaining <= WholeLimit) {
            m_socket->write(file->read(m_remaining));
            m_remaining = 0;
            return done();
        }
        m_body = std::move(file);
        sendMore();
    }

    // The engine asks before sending the filter's headers with a CORS
    // request (a font). The answer reveals nothing: no file is looked at.
    void preflight(const Request& r) {
        const QByteArray origin = r.header("origin");
        QByteArray extra;
        if (m_origin == PageFiles::Origin::Files && !origin.isEmpty())
            extra = "Access-Control-Allow-Origin: " + origin +
                    "\r\nAccess-Control-Allow-Methods: GET, HEAD\r\n"
                    "Access-Control-Allow-Headers: " +
                    QByteArray(PageServer::KeyHeader) + ", " + PageServer::CorsHeader +
                    "\r\nAccess-Control-Max-Age: 600\r\nVary: Origin\r\n";
        finish("204 No Content", m_keepAlive, extra);
    }

    void sendMore() {
        if (!m_body)
            return;
        while (m_remaining > 0 && m_socket->bytesToWrite() < 2 * Piece) {
            const QByteArray piece = m_body->read(qMin(Piece, m_remaining));
            if (piece.isEmpty()) { // the file shrank: the length promised cannot be kept
                m_body.reset();
                m_socket->abort();
                return;
            }
            m_remaining -= piece.size();
            m_socket->write(piece);
        }
        if (m_remaining == 0) {
            m_body.reset();
            done();
            handleBuffered();
        }
    }

    static QByteArray common() {
        // Nothing is kept, and nothing of the page's address goes with a link
        // the user follows to the web.
        return "Cache-Control: no-store\r\nReferrer-Policy: no-referrer\r\n"
               "Accept-Ranges: bytes\r\n";
    }

    void finish(const QByteArray& status, bool keepAlive, const QByteArray& extra = {}) {
        m_keepAlive = keepAlive;
        m_socket->write("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\n" + common() + extra +
                        "\r\n");
        done();
    }

    void done() {
        if (m_keepAlive)
            return;
        m_buffer.clear();
        m_socket->disconnectFromHost();
    }

    QTcpSocket* m_socket;
    PageFiles& m_files;
    PageFiles::Origin m_origin;
    QByteArray m_buffer;
    std::unique_ptr<QFile> m_body;
    qint64 m_remaining = 0;
    bool m_keepAlive = true;
};

} // namespace

PageServer::PageServer(PageFiles& files) : m_files(files) {
    m_thread.setObjectName(QStringLiteral("Pagewick page server"));
    m_thread.start();
    moveToThread(&m_thread);
    QMetaObject::invokeMethod(this, &PageServer::listen, Qt::BlockingQueuedConnection);
}

PageServer::~PageServer() {
    QMetaObject::invokeMethod(this, &PageServer::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void PageServer::listen() {
    auto open = [this](PageFiles::Origin origin) {
        auto* server = new QTcpServer(this);
        if (!server->listen(QHostAddress::LocalHost))
            return server;
        connect(server, &QTcpServer::newConnection, server, [this, server, origin] {
            while (QTcpSocket* s = server->nextPendingConnection())
                new Connection(s, m_files, origin);
        });
        return server;
    };
    m_pages = open(PageFiles::Origin::Page);
    m_others = open(PageFiles::Origin::Files);
    m_listening = m_pages->isListening() && m_others->isListening();
    m_files.setPorts(m_pages->serverPort(), m_others->serverPort());
}

void PageServer::stop() {
    delete m_pages;
    delete m_others;
    m_pages = m_others = nullptr;
}
