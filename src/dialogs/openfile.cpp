#include "openfile.h"

#include "dialogs/editortext.h"
#include "platform/controls/controls.h"
#include "platform/controls/drivelist.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/files/seqfile.h"
#include "platform/print/progress.h"
#include "platform/webview/webview.h"

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
    // A read the user cancels leaves the dialog open, as a failed one does.
    if (LoadIntoEditor(pathOf(Text1->Text())))
        Unload();
}

bool openfile::LoadIntoEditor(const QString& path) {
    // The whole file is read before the editor's text is touched: a file
    // that cannot be opened or read, or whose reading the user cancels,
    // leaves the text as it was.
    pw::SequentialFile file(path, pw::SequentialFile::Input);
    pw::Progress progress(QStringLiteral("Open file"),
                          QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()),
                          file.LOF());
    file.setReadProgress([&progress](qint64 read) { progress.setDone(read); });
    QString text;
    text.reserve(qsizetype(file.LOF()) + 2);
    try {
        while (!file.Eof()) {
            file.LineInputTo(text);
            text += QLatin1String("\r\n");
        }
    } catch (const pw::Cancelled&) {
        return false;
    }
    file.Close();
    dialogs::editorTextArea().setText(text);
    // A preview of the text may use the files beside it.
    pw::WebView::setDocumentFolder(QFileInfo(path).absolutePath());
    return true;
}
