#include "delfile.h"

#include "dialogs/events.h"
#include "platform/controls.h"
#include "platform/drivelist.h"
#include "platform/filelist.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/services.h"
#include "platform/textbox.h"
#include "platform/units.h"

#include <QDir>
#include <QStyle>

using dialogs::onEvent;
using pw::place;

delfile::delfile() : pw::Form(5415, 4965, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("delfile"));
    setCaption(QStringLiteral("Delete File"));
    setWindowIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    QWidget* s = surface();
    const QFont font = dialogs::captionFont();

    Drive1 = new pw::DriveList(s);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    place(Drive1, 120, 120, 5175, 315);

    Dir1 = new pw::FolderList(s);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    place(Dir1, 120, 600, 5175, 1215);

    File1 = new pw::FileList(s);
    File1->setObjectName(QStringLiteral("File1"));
    place(File1, 120, 2040, 5175, 1650);

    Label1 = new pw::Label(s, QStringLiteral("File"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(font);
    place(Label1, 120, 3960, 495, 255);

    Text1 = new pw::SingleLineTextBox(s);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->initFont(font.family(), 9.75f, true);
    place(Text1, 840, 3840, 4455, 375);

    Command1 = new pw::CommandButton(s, QStringLiteral("Delete File"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(font);
    place(Command1, 120, 4440, 2415, 375);

    Command2 = new pw::CommandButton(s, QStringLiteral("Cancel"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(font);
    place(Command2, 2880, 4440, 2415, 375);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    Drive1->setFocus();

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
