#pragma once
// The embedded web view. The web engine is heavy, so nothing of it is created
// (or even loaded) before the first Navigate.

#include <QWidget>

namespace pw {

class WebView : public QWidget {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent);
    ~WebView() override;

    // Shows the page at a plain local path (or a URL); returns without
    // waiting for the page to load.
    void Navigate(const QString& location);
    bool Visible() const { return !isHidden(); }
};

} // namespace pw
