#pragma once
// The editor window: the text area, the menu bar with every command, the
// split-screen web view, the packaged files' containers and the notification
// icon. Its handlers are spread over files by subject (textedit_*.cpp).

#include "platform/controls/form.h"
#include "tray/notifyicon.h"

namespace pw {
class FolderList;
class OleContainer;
class Shape;
class TextBox;
class WebView;
} // namespace pw

class textedit : public pw::Form {
    Q_OBJECT
public:
    textedit();

    // The default instance: created and loaded on first use.
    static textedit& instance() { return pw::DefaultInstance<textedit>::get(); }
    static textedit* loadedInstance() { return pw::DefaultInstance<textedit>::peek(); }

    // Controls, from the top of the stacking order down.
    pw::FolderList* Dir1;
    pw::WebView* WebBrowser1;
    pw::TextBox* Text1;
    pw::OleContainer* OLE6;
    pw::OleContainer* OLE5;
    pw::OleContainer* OLE4;
    pw::OleContainer* OLE3;
    pw::OleContainer* OLE2;
    pw::OleContainer* OLE1;
    pw::Shape* Shape1;

    // The text format, kept as text and converted at each use.
    QString CurrentFontName;
    QString CurrentBold;
    QString CurrentFontSize;
    QString CurrentForeColor;
    // The notification icon with its record, added when the window loads.
    NotifyIcon Tray;

    // Menus.
    pw::Menu *fl, *edt, *fnts, *vwew, *wcw, *hlep, *don, *mPopupSys;
    pw::Menu *opd, *sav, *ddel, *prnt, *clsg, *ext;
    pw::Menu *cpyh, *ptsf;
    pw::Menu *fnt, *sz, *tp, *cl;
    pw::Menu *mssfg, *mss, *msg, *msm, *msans, *xligh;
    pw::Menu *eight, *nine, *ten, *elebv, *twelve, *fourte, *sizten, *eighteen, *twenty, *twetnttwo,
        *twentyfour, *twentysix, *twentyeight, *thirtysix, *fourtyeight, *seventytwo;
    pw::Menu *reg, *bold;
    pw::Menu *blk, *blu, *rdf;
    pw::Menu *namand, *awpn, *sscreen, *horisz, *refresh;
    pw::Menu *about, *redme, *contactus;
    pw::Menu *dola, *twodol, *fivedol;
    pw::Menu *mPopRestore, *mPopExit;

    // File
    void opd_Click();
    void sav_Click();
    void ddel_Click();
    void prnt_Click();
    void clsg_Click();
    void ext_Click();
    // Edit
    void cpyh_Click();
    void ptsf_Click();
    // Font > Font, Size, Type and Color: each command records its value and
    // applies it (the table in textedit_format.cpp).
    // View
    void namand_Click();
    void awpn_Click();
    void horisz_Click();
    void refresh_Click();
    // Calculator, Help, Donate
    void wcw_Click();
    void about_Click();
    void redme_Click();
    void contactus_Click();
    void dola_Click();
    void twodol_Click();
    void fivedol_Click();
    // Notification-area menu
    void mPopRestore_Click();
    void mPopExit_Click();

    // A file dropped on the text area from a file manager, or named on the
    // command line: opened as the Open dialog's "Open" opens it.
    void Text1_FileDropped(const QString& path);
    void OpenFromDesktop(const QString& path);

    // Window events.
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload() override;
    void Form_MouseMove(int button, int shift, float x, float y) override;

private:
    void buildMenus();
    void buildFontMenus();
    // Writes the whole text to "view.html" in the current folder.
    void WritePreviewFile();
};
