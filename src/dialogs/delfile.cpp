#include "delfile.h"

#include "platform/controls/controls.h"
#include "platform/controls/drivelist.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/services.h"
#include "platform/files/seqfile.h"

// The window and its controls' places (see FileDialog::Layout).
// clang-format off
delfile::delfile()
    : FileListDialog({"delfile", "Delete File", QStyle::SP_TrashIcon, 5415, 4965,
                       {120, 3960, 495, 255}, {840, 3840, 4455, 375}, "Delete File", 4440},
                      {120, 2040, 5175, 1650}) {
    // clang-format on
    onEvent(Text1, &pw::SingleLineTextBox::Change, "Text1_Change", [this] { Text1_Change(); });
}

void delfile::Text1_Change() {
    // The box only ever shows the selected file's name.
    Text1->setText(File1->FileName());
}

void delfile::Command1_Click() {
    // Always the file selected in the list; with none selected the path
    // names the folder itself, which Kill refuses.
    pw::Kill(pw::joinPath(Dir1->Path(), File1->FileName()));
    pw::services().beep();
    pw::services().msgBox(QStringLiteral("File Deleted!"), pw::MsgBoxCritical,
                          QStringLiteral("File Deleted"));
}
