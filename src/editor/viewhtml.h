#pragma once
// The preview window: a web view filling the window, showing "view.html" as
// it was when the window was loaded.

#include "platform/controls/form.h"

namespace pw {
class FolderList;
class WebView;
} // namespace pw

class viewhtml : public pw::Form {
    Q_OBJECT
public:
    viewhtml();

    // The default instance: created and loaded on first use.
    static viewhtml& instance() { return pw::DefaultInstance<viewhtml>::get(); }
    static viewhtml* loadedInstance() { return pw::DefaultInstance<viewhtml>::peek(); }

    // Controls.
    pw::WebView* WebBrowser1;
    pw::FolderList* Dir1;

    void Form_Load() override;
};
