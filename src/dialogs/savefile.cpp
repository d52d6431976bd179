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
#include "platform/webview.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStyle>

using dialogs::onEvent;

savefile::savefile() : pw::Form(5460, 3660, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("savefile"));
    setCaption(QStringLiteral("Save File As"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    QWidget* s = surface();
    using dialogs::add, dialogs::addCaptioned;
    Drive1 = add<pw::DriveList>(s, "Drive1", {120, 120, 5175, 315});
    Dir1 = add<pw::FolderList>(s, "Dir1", {120, 600, 5175, 1215});
    Text1 = dialogs::addNameBox(s, "Text1", {840, 2040, 4455, 375});
    Label1 = addCaptioned<pw::Label>(s, "Label1", {120, 2160, 495, 375}, QStringLiteral("File"));
    Command1 = addCaptioned<pw::CommandButton>(s, "Command1", {120, 3120, 2415, 375},
                                               QStringLiteral("Save "));
    Command2 = addCaptioned<pw::CommandButton>(s, "Command2", {2880, 3120, 2415, 375},
                                               QStringLiteral("Cancel"));
    Label2 = addCaptioned<pw::Label>(s, "Label2", {120, 2640, 855, 255}, QStringLiteral("Type"));
    Combo1 = add<pw::ComboBox>(s, "Combo1", {840, 2520, 4455, 360});
    Combo1->setFont(dialogs::captionFont());
    dialogs::tabOrder(Drive1, Dir1, Text1, Command1, Command2, Combo1);

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
    pw::WebView::setDocumentFolder(QFileInfo(path).absolutePath());
    pw::services().beep();
    pw::services().msgBox(QStringLiteral("File saved successfully!"), pw::MsgBoxExclamation,
                          QStringLiteral("File Saved"));
    Unload();
}

void savefile::Command2_Click() {
    Unload();
}
