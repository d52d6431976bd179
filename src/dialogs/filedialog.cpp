#include "filedialog.h"

#include "platform/controls/controls.h"
#include "platform/controls/drivelist.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/controls/units.h"

#include <QDir>

FileDialog::FileDialog(const Layout& layout)
    : pw::Form(layout.width, layout.height, /*minimiseButton=*/false) {
    setObjectName(QLatin1String(layout.name));
    setCaption(QString::fromUtf8(layout.caption));
    setWindowIcon(style()->standardIcon(layout.icon));

    Drive1 = add<pw::DriveList>("Drive1", {120, 120, 5175, 315});
    Dir1 = add<pw::FolderList>("Dir1", {120, 600, 5175, 1215});
    Label1 = add<pw::Label>("Label1", layout.label, QStringLiteral("File"));
    Label1->setFont(captionFont());
    Text1 = add<pw::SingleLineTextBox>("Text1", layout.nameBox);
    Text1->initFont(captionFont().family(), 9.75f, true);
    Command1 = add<pw::CommandButton>("Command1", {120, layout.buttonsTop, 2415, 375},
                                      QString::fromUtf8(layout.command1));
    Command1->setFont(captionFont());
    Command2 = add<pw::CommandButton>("Command2", {2880, layout.buttonsTop, 2415, 375},
                                      QStringLiteral("Cancel"));
    Command2->setFont(captionFont());

    onEvent(Drive1, &pw::DriveList::Change, "Drive1_Change", [this] { Drive1_Change(); });
    onEvent(Command1, &pw::CommandButton::Click, "Command1_Click", [this] { Command1_Click(); });
    onEvent(Command2, &pw::CommandButton::Click, "Command2_Click", [this] { Command2_Click(); });
}

QFont FileDialog::captionFont() {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSizeF(9.75);
    f.setWeight(QFont::Bold);
    return f;
}

void FileDialog::place(QWidget* control, const char* name, Rect r) {
    control->setObjectName(QLatin1String(name));
    pw::place(control, r.left, r.top, r.width, r.height);
}

void FileDialog::tabOrder(std::initializer_list<QWidget*> controls) {
    QWidget* prev = nullptr;
    for (QWidget* c : controls) {
        if (prev)
            QWidget::setTabOrder(prev, c);
        prev = c;
    }
    (*controls.begin())->setFocus();
}

QString FileDialog::pathOf(const QString& name) const {
    return QDir::isAbsolutePath(name) ? name : pw::joinPath(Dir1->Path(), name);
}

// The folder list starts at the current folder of the current drive.
void FileDialog::Form_Load() {
    Drive1_Change();
}

void FileDialog::Drive1_Change() {
    Dir1->setPath(Drive1->Drive());
}

void FileDialog::Command2_Click() {
    Unload();
}

FileListDialog::FileListDialog(const Layout& layout, Rect fileList) : FileDialog(layout) {
    File1 = add<pw::FileList>("File1", fileList);
    tabOrder({Drive1, Dir1, File1, Text1, Command1, Command2});
    // Every change of the folder list's path, by the user or by the handlers,
    // lists the new folder's files.
    onEvent(Dir1, &pw::FolderList::Change, "Dir1_Change", [this] { Dir1_Change(); });
}

void FileListDialog::Dir1_Change() {
    File1->setPath(Dir1->Path());
}
