#include "openfile.h"

#include "dialogs/events.h"
#include "editor/textedit.h"
#include "platform/controls.h"
#include "platform/drivelist.h"
#include "platform/filelist.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/textbox.h"
#include "platform/units.h"

#include <QDir>
#include <QStyle>

using dialogs::onEvent;
using pw::place;

openfile::openfile() : pw::Form(5430, 4845, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("openfile"));
    setCaption(QStringLiteral("Open file"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
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
    place(File1, 120, 1920, 5175, 1650);

    // The label lies partly under the name box; only its word shows.
    Label1 = new pw::Label(s, QStringLiteral("File"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(font);
    place(Label1, 120, 3840, 2175, 375);

    Text1 = new pw::SingleLineTextBox(s);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->initFont(font.family(), 9.75f, true);
    place(Text1, 600, 3720, 4695, 375);

    Command1 = new pw::CommandButton(s, QStringLiteral("Open"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(font);
    place(Command1, 120, 4320, 2415, 375);

    Command2 = new pw::CommandButton(s, QStringLiteral("Cancel"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(font);
    place(Command2, 2880, 4320, 2415, 375);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    Drive1->setFocus();

    onEvent(Drive1, &pw::DriveList::Change, this, "Drive1_Change", &openfile::Drive1_Change);
    onEvent(Dir1, &pw::FolderList::Change, this, "Dir1_Change", &openfile::Dir1_Change);
    onEvent(File1, &pw::FileList::Click, this, "File1_Click", &openfile::File1_Click);
    onEvent(Command1, &pw::CommandButton::Click, this, "Command1_Click", &openfile::Command1_Click);
    onEvent(Command2, &pw::CommandButton::Click, this, "Command2_Click", &openfile::Command2_Click);
}

void openfile::Form_Load() {
    Dir1->setPath(Drive1->Drive());
}

void openfile::Drive1_Change() {
    Dir1->setPath(Drive1->Drive());
}

void openfile::Dir1_Change() {
    File1->setPath(Dir1->Path());
}

void openfile::File1_Click() {
    Text1->setText(File1->FileName());
}

void openfile::Command1_Click() {
    // Folder, separator and name, joined as they stand.
    const QString path = Dir1->Path() + QDir::separator() + Text1->Text();
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
    textedit::instance().Text1->setText(text);
    Unload();
}

void openfile::Command2_Click() {
    Unload();
}
