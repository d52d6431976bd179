#include "openfile.h"

#include "dialogs/editortext.h"
#include "platform/controls.h"
#include "platform/drivelist.h"
#include "platform/filelist.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/textbox.h"
#include "platform/webview.h"

#include <QFileInfo>

// The window and its controls' places (see FileDialog::Layout). The label
// lies partly under the name box; only its word shows.
// clang-format off
openfile::openfile()
    : FileListDialog({"openfile", "Open file", QStyle::SP_DialogOpenButton, 5430, 4845,
                       {120, 3840, 2175, 375}, {600, 3720, 4695, 375}, "Open", 4320},
                      {120, 1920, 5175, 1650}) {
    // clang-format on
    onEvent(File1, &pw::FileList::Click, "File1_Click", [this] { File1_Click(); });
}

void openfile::File1_Click() {
    Text1->setText(File1->FileName());
}

void openfile::Command1_Click() {
    LoadIntoEditor(pathOf(Text1->Text()));
    Unload();
}

void openfile::LoadIntoEditor(const QString& path) {
    // The whole file is read before the editor's text is touched: a file
    // that cannot be opened or read leaves the text as it was.
    pw::SequentialFile file(path, pw::SequentialFile::Input);
    QString text;
    text.reserve(qsizetype(file.LOF()) + 2);
    while (!file.Eof()) {
        text += file.LineInput();
        text += QLatin1String("\r\n");
    }
    file.Close();
    dialogs::editorTextArea().setText(text);
    // A preview of the text may use the files beside it.
    pw::WebView::setDocumentFolder(QFileInfo(path).absolutePath());
}
