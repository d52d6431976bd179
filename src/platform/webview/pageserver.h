#pragma once
// The preview's pages and their files, served over HTTP on the loopback
// address from a thread of its own, so a large file or a busy window never
// holds up the other side. Two ports make the page origin and the files
// origin of pagefiles.h. A request is answered only when it carries the key
// that the preview's request filter adds (pagerequests.h) and names the host
// it was sent to; everything else, whatever file it names, gets the same
// "not found".

#include <QObject>
#include <QThread>

class PageFiles;
class QTcpServer;

class PageServer final : public QObject {
    Q_OBJECT
public:
    // Starts listening at once; files decides what is served.
    explicit PageServer(PageFiles& files);
    ~PageServer() override;

    bool isListening() const { return m_listening; }

    // Names of the headers the request filter sets.
    static constexpr char KeyHeader[] = "x-pagewick-key";
    static constexpr char CorsHeader[] = "x-pagewick-cors";

private:
    void listen();
    void stop();

    PageFiles& m_files;
    QThread m_thread;
    QTcpServer* m_pages = nullptr;
    QTcpServer* m_others = nullptr;
    bool m_listening = false;
};
