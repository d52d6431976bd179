// The HTML preview. Every preview writes the whole text to "view.html" in the
// current folder and points a web view at that file: the preview window
// (loaded once, when it opens) or the split pane under a shortened text area.

#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/files/seqfile.h"
#include "platform/webview/webview.h"

#include <QDir>

// The preview file is rewritten whole on each preview, the text followed by
// CR LF. The new file replaces the old one only once it is complete.
void textedit::WritePreviewFile() {
    // The page is made again on every preview, so its bytes need not reach
    // the disk before the command goes on.
    pw::SequentialFile file(QStringLiteral("view.html"), pw::SequentialFile::Output,
                            pw::SequentialFile::Scratch);
    file.Print(Text1->Text());
    file.Close();
}

// View > Normal: the text area gets the whole window back. No file is written
// and the hidden pane keeps its page.
void textedit::namand_Click() {
    Text1->setHeight(8295);
    Shape1->setVisible(false);
    WebBrowser1->setVisible(false);
}

// View > View As Web Page: an open preview window is only brought up; it
// keeps the page it loaded when it opened.
void textedit::awpn_Click() {
    WritePreviewFile();
    viewhtml::instance().Show();
}

// View > Split Screen > Split Screen.
void textedit::horisz_Click() {
    WritePreviewFile();
    Text1->setHeight(2295);
    WebBrowser1->setVisible(true);
    Shape1->setVisible(true);
    pw::followCurrentFolder(Dir1);
    const QString path = Dir1->Path() + QDir::separator() + QStringLiteral("view.html");
    WebBrowser1->Navigate(path);
}

// View > Split Screen > Refresh: reloads the lower pane, shown or not; the
// preview window is left alone.
void textedit::refresh_Click() {
    WritePreviewFile();
    pw::followCurrentFolder(Dir1);
    const QString path = Dir1->Path() + QDir::separator() + QStringLiteral("view.html");
    WebBrowser1->Navigate(path);
}
