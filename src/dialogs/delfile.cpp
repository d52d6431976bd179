#include "delfile.h"

#include "dialogs/events.h"
#include "platform/controls.h"
#include "platform/drivelist.h"
#include "platform/filelist.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/services.h"
#include "platform/textbox.h"

#include <QDir>
#include <QStyle>

using dialogs::onEvent;

delfile::delfile() : pw::Form(5415, 4965, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("delfile"));
    setCaption(QStringLiteral("Delete File"));
    setWindowIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    QWidget* s = surface();
    using dialogs::add, dialogs::addCaptioned;
    Drive1 = add<pw::DriveList>(s, "Drive1", {120, 120, 5175, 315});
    Dir1 = add<pw::FolderList>(s, "Dir1", {120, 600, 5175, 1215});
    File1 = add<pw::FileList>(s, "File1", {120, 2040, 5175, 1650});
    Label1 = addCaptioned<pw::Label>(s, "Label1", {120, 3960, 495, 255}, QStringLiteral("File"));
    Text1 = dialogs::addNameBox(s, "Text1", {840, 3840, 4455, 375});
    Command1 = addCaptioned<pw::CommandButton>(s, "Command1", {120, 4440, 2415, 375},
                                               QStringLiteral("Delete File"));
    Command2 = addCaptioned<pw::CommandButton>(s, "Command2", {2880, 4440, 2415, 375},
                                               QStringLiteral("Cancel"));
    dialogs::tabOrder(Drive1, Dir1, File1, Text1, Command1, Command2);

    onEvent(Drive1, &pw::DriveList::Change, this, "Drive1_Change", &delfile::Drive1_Change);
    onEvent(Dir1, &pw::FolderList::Change, this, "Dir1_Change", &delfile::Dir1_Change);
    onEvent(Text1, &pw::SingleLineTextBox::Change, this, "Text1_Change", &delfile::Text1_Change);
    onEvent(Command1, &pw::CommandButton::Click, this, "Command1_Click", &delfile::Command1_Click);
    onEvent(Command2, &pw::CommandButton::Click, this, "Command2_Click", &delfile::Command2_Click);
}

void delfile::Form_Load() {
    Dir1->setPath(Drive1->Drive());
}

void delfile::Drive1_Change() {
    Dir1->setPath(Drive1->Drive());
}

void delfile::Dir1_Change() {
    File1->setPath(Dir1->Path());
}

void delfile::Text1_Change() {
    // The box only ever shows the selected file's name.
    Text1->setText(File1->FileName());
}

void delfile::Command1_Click() {
    // Always the file selected in the list; with none selected the path
    // names the folder itself, which Kill refuses.
    const QString path = Dir1->Path() + QDir::separator() + File1->FileName();
    pw::Kill(path);
    pw::services().beep();
    pw::services().msgBox(QStringLiteral("File Deleted!"), pw::MsgBoxCritical,
                          QStringLiteral("File Deleted"));
}

void delfile::Command2_Click() {
    Unload();
}
