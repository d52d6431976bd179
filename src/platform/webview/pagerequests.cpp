#include "pagerequests.h"

#include "pagefiles.h"
#include "pageserver.h"

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInfo>

PageRequests::PageRequests(QWebEnginePage* page, const PageFiles& files)
    : QWebEngineUrlRequestInterceptor(page), m_page(page), m_files(files) {}

void PageRequests::interceptRequest(QWebEngineUrlRequestInfo& info) {
    using Origin = PageFiles::Origin;
    const QUrl url = info.requestUrl();
    const Origin to = m_files.originOf(url);
    if (to == Origin::None)
        return; // the web, as for any page

    // Who asks: the program itself (no initiator), the page (the page
    // origin), or a frame of an origin of its own (opaque: a frame of the
    // files origin, or one a script made). A web page or one of its frames
    // names its own origin.
    const QUrl from = info.initiator();
    const bool opaque = from.isEmpty() || from.toString() == QLatin1String("null");
    const bool fromPage = m_files.originOf(from) == Origin::Page;
    // Opaque frames are trusted no further than the page that holds them:
    // only while the preview shows its own page, not a web page it went to.
    const bool showingPage = m_files.originOf(m_page->url()) == Origin::Page;

    using R = QWebEngineUrlRequestInfo;
    bool allow = false;
    bool cors = false;
    bool toFiles = false;
    switch (info.resourceType()) {
    case R::ResourceTypeMainFrame:
        // The page the program shows, or a page beside it that it links to.
        allow = to == Origin::Page &&
                ((opaque && m_files.isShownPage(url)) || (fromPage && showingPage));
        break;
    case R::ResourceTypeWorker:
    case R::ResourceTypeSharedWorker:
        // A worker must be of the page's origin; it can read nothing more
        // than the page can.
        allow = showingPage && (fromPage || opaque);
        break;
    case R::ResourceTypeFontResource:
    case R::ResourceTypeScript:
        cors = true;
        [[fallthrough]];
    case R::ResourceTypeSubFrame:
    case R::ResourceTypeObject:
    case R::ResourceTypeStylesheet:
    case R::ResourceTypeImage:
    case R::ResourceTypeMedia:
    case R::ResourceTypeFavicon:
    case R::ResourceTypeSubResource:
        allow = showingPage && (fromPage || opaque);
        toFiles = to == Origin::Page;
        break;
    default:
        // XMLHttpRequest and fetch, pings, reports, service workers,
        // prefetches and anything else: never.
        break;
    }
    if (!allow) {
        info.block(true);
        return;
    }
    if (toFiles)
        info.redirect(m_files.onFilesOrigin(url));
    info.setHttpHeader(PageServer::KeyHeader, m_files.key());
    if (cors)
        info.setHttpHeader(PageServer::CorsHeader, "1");
}
