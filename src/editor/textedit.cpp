#include "textedit.h"

#include "embedded/packages.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/controls/units.h"
#include "platform/desktop/failure.h"
#include "platform/files/conversions.h"
#include "platform/files/olecontainer.h"
#include "platform/webview/webview.h"

#include <QIcon>

using pw::place;

textedit::textedit() : pw::Form(11685, 8295, /*minimiseButton=*/true), Tray(*this) {
    setObjectName(QStringLiteral("textedit"));
    setCaption(QStringLiteral("Pagewick"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/pagewick.xpm")));
    QWidget* s = surface();

    // Created from the bottom of the stacking order up.
    Shape1 = new pw::Shape(s, QColor(0x80, 0x80, 0x80));
    Shape1->setObjectName(QStringLiteral("Shape1"));
    place(Shape1, 0, 2280, 11655, 135);
    Shape1->hide();

    const auto container = [s](const char* name, int l, int t, int w, int h) {
        auto* c = new pw::OleContainer(s);
        c->setObjectName(QString::fromLatin1(name));
        place(c, l, t, w, h);
        return c;
    };
    OLE1 = container("OLE1", 2640, 1200, 375, 135);
    OLE2 = container("OLE2", 4080, 1800, 135, 135);
    OLE3 = container("OLE3", 5640, 1680, 495, 255);
    OLE4 = container("OLE4", 7800, 1800, 255, 135);
    OLE5 = container("OLE5", 8520, 1440, 135, 30);
    OLE6 = container("OLE6", 3480, 1320, 135, 30);
    loadPackages(OLE1, OLE2, OLE3, OLE4, OLE5, OLE6);

    Text1 = new pw::TextBox(s);
    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, 0, 0, 11655, 8295);
    // The design font; Form_Load replaces it before anything can be typed.
    Text1->initFont(QStringLiteral("MS Mincho"), 8.25f, true);
    connect(Text1, &pw::TextArea::FileDropped, this, [this](const QString& path) {
        pw::dispatch("Text1_FileDropped", [&] { Text1_FileDropped(path); });
    });

    WebBrowser1 = new pw::WebView(s);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    place(WebBrowser1, 0, 2400, 11655, 5895);
    WebBrowser1->hide();

    Dir1 = new pw::FolderList(s);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    place(Dir1, 10320, 360, 255, 315);
    Dir1->hide();

    setTabOrder(Text1, WebBrowser1);
    setTabOrder(WebBrowser1, Dir1);
    Text1->setFocus();

    buildMenus();
    Tray.setMenu(mPopupSys);
}

namespace {

using T = textedit;

// The menu tree, in menu order: the menu bar, then the items of each menu.
// A row with a handler is a command, one without opens a submenu. The Font
// menu's commands are in textedit_format.cpp.
struct BarRow {
    pw::Menu* T::*item;
    const char* name;
    const char* caption;
    void (T::*click)();
};
const BarRow Bar[] = {
    {&T::fl, "fl", "File", nullptr},
    {&T::edt, "edt", "Edit", nullptr},
    {&T::fnts, "fnts", "Font", nullptr},
    {&T::vwew, "vwew", "View ", nullptr},
    {&T::wcw, "wcw", " Calculator", &T::wcw_Click},
    {&T::hlep, "hlep", "Help", nullptr},
    {&T::don, "don", "Donate", nullptr},
    {&T::mPopupSys, "mPopupSys", "&SysTray", nullptr},
};

struct ItemRow {
    pw::Menu* T::*item;
    pw::Menu* T::*parent;
    const char* name;
    const char* caption;
    void (T::*click)();
};
const ItemRow Items[] = {
    {&T::opd, &T::fl, "opd", "Open", &T::opd_Click},
    {&T::sav, &T::fl, "sav", "Save As", &T::sav_Click},
    {&T::ddel, &T::fl, "ddel", "Delete", &T::ddel_Click},
    {&T::prnt, &T::fl, "prnt", "Print", &T::prnt_Click},
    {&T::clsg, &T::fl, "clsg", "Clear", &T::clsg_Click},
    {&T::ext, &T::fl, "ext", "Exit", &T::ext_Click},
    {&T::cpyh, &T::edt, "cpyh", "Copy", &T::cpyh_Click},
    {&T::ptsf, &T::edt, "ptsf", "Past", &T::ptsf_Click},
    {&T::namand, &T::vwew, "namand", "Normal", &T::namand_Click},
    {&T::awpn, &T::vwew, "awpn", "View As Web Page", &T::awpn_Click},
    {&T::sscreen, &T::vwew, "sscreen", "Split Screen", nullptr},
    {&T::horisz, &T::sscreen, "horisz", "Split Screen", &T::horisz_Click},
    {&T::refresh, &T::sscreen, "refresh", "Refresh", &T::refresh_Click},
    {&T::about, &T::hlep, "about", "About", &T::about_Click},
    {&T::redme, &T::hlep, "redme", "Readme.txt", &T::redme_Click},
    {&T::contactus, &T::hlep, "contactus", "Contact Us", &T::contactus_Click},
    {&T::dola, &T::don, "dola", "$1", &T::dola_Click},
    {&T::twodol, &T::don, "twodol", "$2", &T::twodol_Click},
    {&T::fivedol, &T::don, "fivedol", "$5", &T::fivedol_Click},
    {&T::mPopRestore, &T::mPopupSys, "mPopRestore", " &Restore", &T::mPopRestore_Click},
    {&T::mPopExit, &T::mPopupSys, "mPopExit", "&Exit", &T::mPopExit_Click},
};

// The only shortcuts: Ctrl and a letter, taken by the menu before the text
// area sees the key.
QKeySequence shortcut(pw::Menu* T::*item) {
    if (item == &T::awpn)
        return QKeySequence(Qt::CTRL | Qt::Key_V);
    if (item == &T::horisz)
        return QKeySequence(Qt::CTRL | Qt::Key_S);
    if (item == &T::refresh)
        return QKeySequence(Qt::CTRL | Qt::Key_R);
    return {};
}

} // namespace

void textedit::buildMenus() {
    const auto add = [this](pw::Menu* parent, pw::Menu* T::*item, const char* name,
                            const char* caption, void (T::*click)()) {
        const QString text = QString::fromUtf8(caption);
        if (click)
            this->*item = addCommand(
                parent, name, text, [this, click] { (this->*click)(); }, shortcut(item));
        else
            this->*item = addMenu(parent, name, text);
    };
    for (const BarRow& r : Bar)
        add(nullptr, r.item, r.name, r.caption, r.click);
    for (const ItemRow& r : Items)
        add(this->*r.parent, r.item, r.name, r.caption, r.click);
    buildFontMenus();
    // The notification icon's pop-up menu never shows on the menu bar.
    mPopupSys->setVisible(false);
}

void textedit::Form_Load() {
    // The window is on the screen before anything else happens.
    Show();
    Refresh();

    Tray.add();

    // The default format, kept as text, then applied to the text area.
    CurrentFontName = QStringLiteral("Ms Sans Serif");
    CurrentBold = QStringLiteral("False");
    CurrentFontSize = QStringLiteral("8");
    CurrentForeColor = QString::number(0);

    Text1->setFontName(CurrentFontName);
    Text1->setFontBold(false);
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
    Text1->setForeColor(pw::toLong(CurrentForeColor));
}

void textedit::Form_Resize() {
    // Minimised, the window leaves the screen and the task bar; the
    // notification icon brings it back. Where there is no icon to click (the
    // desktop has no notification area), it stays minimised in the task bar
    // instead, or the user would have no way back to the text.
    if (WindowState() == pw::vbMinimized && Tray.shown())
        Hide();
}

void textedit::Form_Unload() {
    Tray.remove();
}

void textedit::Form_MouseMove(int, int, float x, float) {
    // The icon's clicks arrive as mouse movements whose X is the click's
    // code. The mouse moving over the window itself (the bar of the split
    // screen) is no such message, whatever its X.
    if (isIconMessage())
        Tray.message(x);
}

void textedit::mPopRestore_Click() {
    Tray.restore();
}

void textedit::mPopExit_Click() {
    // The ordinary unload: Form_Unload removes the icon, and another window
    // that is still open keeps the program running.
    Unload();
}

void textedit::ext_Click() {
    End();
}
