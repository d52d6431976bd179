#include "openfile.h"

#include "dialogs/events.h"
#include "editor/textedit.h"
#include "platform/controls.h"
#include "platform/drivelist.h"
#include "platform/filelist.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/textbox.h"
#include "platform/webview.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

using dialogs::onEvent;

openfile::openfile() : pw::Form(5430, 4845, /*minimiseButton=*/false) {
    setObjectName(QStringLiteral("openfile"));
    setCaption(QStringLiteral("Open file"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    QWidget* s = surface();
    using dialogs::add, dialogs::addCaptioned;
    Drive1 = add<pw::DriveList>(s, "Drive1", {120, 120, 5175, 315});
    Dir1 = add<pw::FolderList>(s, "Dir1", {120, 600, 5175, 1215});
    File1 = add<pw::FileList>(s, "File1", {120, 1920, 5175, 1650});
    // The label lies partly under the name box; only its word shows.
    Label1 = addCaptioned<pw::Label>(s, "Label1", {120, 3840, 2175, 375}, QStringLiteral("File"));
    Text1 = dialogs::addNameBox(s, "Text1", {600, 3720, 4695, 375});
    Command1 = addCaptioned<pw::CommandButton>(s, "Command1", {120, 4320, 2415, 375},
                                               QStringLiteral("Open"));
    Command2 = addCaptioned<pw::CommandButton>(s, "Command2", {2880, 4320, 2415, 375},
                                               QStringLiteral("Cancel"));
    dialogs::tabOrder(Drive1, Dir1, File1, Text1, Command1, Command2);

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
    // A preview of the text may use the files beside it.
    pw::WebView::setDocumentFolder(QFileInfo(path).absolutePath());
    Unload();
}

void openfile::Command2_Click() {
    Unload();
}
