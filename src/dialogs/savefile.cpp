#include "savefile.h"

#include "dialogs/events.h"
#include "editor/textedit.h"
#include "platform/combobox.h"
#include "platform/controls.h"
#include "platform/drivelist.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/services.h"
#include "platform/textbox.h"
#include "platform/units.h"

#include <QDir>
#include <QScopeGuard>
#include <QStyle>

using dialogs::onEvent;
using pw::place;

savefile::savefile() : pw::Form(5460, 3660, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("savefile"));
    setCaption(QStringLiteral("Save File As"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    QWidget* s = surface();
    const QFont font = dialogs::captionFont();

    Drive1 = new pw::DriveList(s);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    place(Drive1, 120, 120, 5175, 315);

    Dir1 = new pw::FolderList(s);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    place(Dir1, 120, 600, 5175, 1215);

    Text1 = new pw::SingleLineTextBox(s);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->initFont(font.family(), 9.75f, true);
    place(Text1, 840, 2040, 4455, 375);

    Label1 = new pw::Label(s, QStringLiteral("File"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(font);
    place(Label1, 120, 2160, 495, 375);

    Command1 = new pw::CommandButton(s, QStringLiteral("Save "));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(font);
    place(Command1, 120, 3120, 2415, 375);

    Command2 = new pw::CommandButton(s, QStringLiteral("Cancel"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(font);
    place(Command2, 2880, 3120, 2415, 375);

    Label2 = new pw::Label(s, QStringLiteral("Type"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(font);
    place(Label2, 120, 2640, 855, 255);

    Combo1 = new pw::ComboBox(s);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setFont(font);
    place(Combo1, 840, 2520, 4455, 360);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Combo1);
    Drive1->setFocus();

    onEvent(Drive1, &pw::DriveList::Change, this, "Drive1_Change", &savefile::Drive1_Change);
    onEvent(Command1, &pw::CommandButton::Click, this, "Command1_Click", &savefile::Command1_Click);
    onEvent(Command2, &pw::CommandButton::Click, this, "Command2_Click", &savefile::Command2_Click);
}

void savefile::Form_Load() {
    Dir1->setPath(Drive1->Drive());
    Combo1->AddItem(QStringLiteral(".txt"));
    Combo1->AddItem(QStringLiteral(".html"));
    Combo1->AddItem(QStringLiteral(".pl"));
    Combo1->AddItem(QStringLiteral(".js"));
    Combo1->AddItem(QStringLiteral(".php"));
}

void savefile::Drive1_Change() {
    Dir1->setPath(Drive1->Drive());
}

void savefile::Command1_Click() {
    // The copy is only needed while this save runs; a large text is not kept
    // by a dialog that stays open after a failure.
    const auto release = qScopeGuard([this] { SaveText = QString(); });
    SaveText = textedit::instance().Text1->Text();
    // Folder, separator, name and type, joined as they stand.
    const QString path = Dir1->Path() + QDir::separator() + Text1->Text() + Combo1->Text();
    // The file is written beside the target and replaces it only once it is
    // complete and on the disk; until then the old file stays as it was.
    pw::SequentialFile file(path, pw::SequentialFile::Output);
    file.Print(SaveText);
    file.Close();
    pw::services().beep();
    pw::services().msgBox(QStringLiteral("File saved successfully!"), pw::MsgBoxExclamation,
                          QStringLiteral("File Saved"));
    Unload();
}

void savefile::Command2_Click() {
    Unload();
}
