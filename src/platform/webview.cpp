#include "webview.h"

#include "failure.h"

namespace pw {

WebView::WebView(QWidget* parent) : QWidget(parent) {}
WebView::~WebView() = default;

void WebView::Navigate(const QString& location) {
    throw OperationError(QStringLiteral("Could not show the page"), location,
                         QStringLiteral("The web view is not part of this build yet."));
}

} // namespace pw
