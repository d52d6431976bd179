#include "viewhtml.h"

#include "platform/controls/folderlist.h"
#include "platform/controls/units.h"
#include "platform/webview/webview.h"

#include <QDir>
#include <QIcon>

using pw::place;

viewhtml::viewhtml() : pw::Form(12840, 8490, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("viewhtml"));
    setCaption(QStringLiteral("View As HTML"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/viewhtml.xpm")));
    QWidget* s = surface();

    // A little larger than the client area, so that it fills the window.
    WebBrowser1 = new pw::WebView(s);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    place(WebBrowser1, 0, 0, 12855, 8535);

    // Never shown: it only holds the folder that was current when the window
    // was created.
    Dir1 = new pw::FolderList(s);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    place(Dir1, 120, 240, 495, 315);
    Dir1->hide();

    setTabOrder(Dir1, WebBrowser1);
}

void viewhtml::Form_Load() {
    // The file the command that opened this window has just written.
    pw::followCurrentFolder(Dir1);
    WebBrowser1->Navigate(Dir1->Path() + QDir::separator() + QStringLiteral("view.html"));
}
