#include "textedit.h"

#include "editor/formatvalues.h"
#include "embedded/packages.h"
#include "platform/controls.h"
#include "platform/folderlist.h"
#include "platform/olecontainer.h"
#include "platform/shell.h"
#include "platform/textbox.h"
#include "platform/units.h"
#include "platform/webview.h"

#include <QIcon>

using pw::place;

textedit::textedit() : pw::Form(11685, 8295, /*minimiseButton=*/true) {
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
    loadPackages(*this);

    Text1 = new pw::TextBox(s);
    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, 0, 0, 11655, 8295);
    // The design font; Form_Load replaces it before anything can be typed.
    Text1->initFont(QStringLiteral("MS Mincho"), 8.25f, true);

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
}

void textedit::buildMenus() {
    const auto cmd = [this](pw::Menu* parent, const char* name, const char* caption,
                            void (textedit::*handler)(), const QKeySequence& key = {}) {
        return addCommand(
            parent, name, QString::fromUtf8(caption), [this, handler] { (this->*handler)(); }, key);
    };

    fl = addMenu(nullptr, "fl", QStringLiteral("File"));
    edt = addMenu(nullptr, "edt", QStringLiteral("Edit"));
    fnts = addMenu(nullptr, "fnts", QStringLiteral("Font"));
    vwew = addMenu(nullptr, "vwew", QStringLiteral("View "));
    wcw = cmd(nullptr, "wcw", " Calculator", &textedit::wcw_Click);
    hlep = addMenu(nullptr, "hlep", QStringLiteral("Help"));
    don = addMenu(nullptr, "don", QStringLiteral("Donate"));
    mPopupSys = addMenu(nullptr, "mPopupSys", QStringLiteral("&SysTray"));
    mPopupSys->setVisible(false);

    opd = cmd(fl, "opd", "Open", &textedit::opd_Click);
    sav = cmd(fl, "sav", "Save As", &textedit::sav_Click);
    ddel = cmd(fl, "ddel", "Delete", &textedit::ddel_Click);
    prnt = cmd(fl, "prnt", "Print", &textedit::prnt_Click);
    clsg = cmd(fl, "clsg", "Clear", &textedit::clsg_Click);
    ext = cmd(fl, "ext", "Exit", &textedit::ext_Click);

    cpyh = cmd(edt, "cpyh", "Copy", &textedit::cpyh_Click);
    ptsf = cmd(edt, "ptsf", "Past", &textedit::ptsf_Click);

    fnt = addMenu(fnts, "fnt", QStringLiteral("Font"));
    sz = addMenu(fnts, "sz", QStringLiteral("Size"));
    tp = addMenu(fnts, "tp", QStringLiteral("Type"));
    cl = addMenu(fnts, "cl", QStringLiteral("Color"));

    mssfg = cmd(fnt, "mssfg", "Ms Sans Serif", &textedit::mssfg_Click);
    mss = cmd(fnt, "mss", "Ms Serif", &textedit::mss_Click);
    msg = cmd(fnt, "msg", "Ms Gothic", &textedit::msg_Click);
    msm = cmd(fnt, "msm", "Ms Mincho", &textedit::msm_Click);
    msans = cmd(fnt, "msans", "MVSans", &textedit::msans_Click);
    xligh = cmd(fnt, "xligh", "NapoliSerial-Xlight", &textedit::xligh_Click);

    eight = cmd(sz, "eight", "8", &textedit::eight_Click);
    nine = cmd(sz, "nine", "9", &textedit::nine_Click);
    ten = cmd(sz, "ten", "10", &textedit::ten_Click);
    elebv = cmd(sz, "elebv", "11", &textedit::elebv_Click);
    twelve = cmd(sz, "twelve", "12", &textedit::twelve_Click);
    fourte = cmd(sz, "fourte", "14", &textedit::fourte_Click);
    sizten = cmd(sz, "sizten", "16", &textedit::sizten_Click);
    eighteen = cmd(sz, "eighteen", "18", &textedit::eighteen_Click);
    twenty = cmd(sz, "twenty", "20", &textedit::twenty_Click);
    twetnttwo = cmd(sz, "twetnttwo", "22", &textedit::twetnttwo_Click);
    twentyfour = cmd(sz, "twentyfour", "24", &textedit::twentyfour_Click);
    twentysix = cmd(sz, "twentysix", "26", &textedit::twentysix_Click);
    twentyeight = cmd(sz, "twentyeight", "28", &textedit::twentyeight_Click);
    thirtysix = cmd(sz, "thirtysix", "36 ", &textedit::thirtysix_Click);
    fourtyeight = cmd(sz, "fourtyeight", "48", &textedit::fourtyeight_Click);
    seventytwo = cmd(sz, "seventytwo", "72", &textedit::seventytwo_Click);

    reg = cmd(tp, "reg", "Regular", &textedit::reg_Click);
    bold = cmd(tp, "bold", "Bold", &textedit::bold_Click);

    blk = cmd(cl, "blk", "Black", &textedit::blk_Click);
    blu = cmd(cl, "blu", "Blue", &textedit::blu_Click);
    rdf = cmd(cl, "rdf", "Red", &textedit::rdf_Click);

    namand = cmd(vwew, "namand", "Normal", &textedit::namand_Click);
    awpn = cmd(vwew, "awpn", "View As Web Page", &textedit::awpn_Click,
               QKeySequence(Qt::CTRL | Qt::Key_V));
    sscreen = addMenu(vwew, "sscreen", QStringLiteral("Split Screen"));
    horisz = cmd(sscreen, "horisz", "Split Screen", &textedit::horisz_Click,
                 QKeySequence(Qt::CTRL | Qt::Key_S));
    refresh = cmd(sscreen, "refresh", "Refresh", &textedit::refresh_Click,
                  QKeySequence(Qt::CTRL | Qt::Key_R));

    about = cmd(hlep, "about", "About", &textedit::about_Click);
    redme = cmd(hlep, "redme", "Readme.txt", &textedit::redme_Click);
    contactus = cmd(hlep, "contactus", "Contact Us", &textedit::contactus_Click);

    dola = cmd(don, "dola", "$1", &textedit::dola_Click);
    twodol = cmd(don, "twodol", "$2", &textedit::twodol_Click);
    fivedol = cmd(don, "fivedol", "$5", &textedit::fivedol_Click);

    mPopRestore = cmd(mPopupSys, "mPopRestore", " &Restore", &textedit::mPopRestore_Click);
    mPopExit = cmd(mPopupSys, "mPopExit", "&Exit", &textedit::mPopExit_Click);
}

void textedit::Form_Load() {
    // 1, 2: the window is on the screen before anything else happens.
    Show();
    Refresh();

    // 3: the notification icon. Without a notification area the window
    // simply has none.
    TrayIcon.cbSize = pw::NotifyIconRecordSize;
    TrayIcon.hWnd = pw::handle32(hWnd());
    TrayIcon.uID = 1;
    TrayIcon.uFlags = pw::NIF_MESSAGE | pw::NIF_ICON | pw::NIF_TIP;
    TrayIcon.uCallbackMessage = pw::WM_MOUSEMOVE;
    TrayIcon.hIcon = pw::iconHandle(Icon());
    TrayIcon.szTip = TrayIconRecord::fixedLength(QStringLiteral("Your ToolTip") + QChar(u'\0'), 64);
    pw::Shell_NotifyIconA(pw::NIM_ADD, recordBytes(TrayIcon));

    // 4: the default format, kept as text.
    CurrentFontName = QStringLiteral("Ms Sans Serif");
    CurrentBold = QStringLiteral("False");
    CurrentFontSize = QStringLiteral("8");
    CurrentForeColor = QString::number(0);

    // 5: applied to the text area.
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
    if (WindowState() == pw::vbMinimized && pw::notifyIconShown(TrayIcon.hWnd, TrayIcon.uID))
        Hide();
}

void textedit::Form_Unload() {
    pw::Shell_NotifyIconA(pw::NIM_DELETE, recordBytes(TrayIcon));
}

void textedit::ext_Click() {
    End();
}
