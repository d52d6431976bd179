#pragma once
// What the preview's page may ask of the local files (pagefiles.h). Every
// request a page of the preview makes passes here first; requests for the
// local files are let through, and marked with the server's key, only when
// they come from the preview's own page and are of a kind that shows a file
// without letting a script read it.

#include <QWebEngineUrlRequestInterceptor>

class PageFiles;
class QWebEnginePage;

class PageRequests final : public QWebEngineUrlRequestInterceptor {
public:
    PageRequests(QWebEnginePage* page, const PageFiles& files);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    QWebEnginePage* m_page;
    const PageFiles& m_files;
};
