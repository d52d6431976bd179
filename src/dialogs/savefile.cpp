#include "savefile.h"

#include "dialogs/editortext.h"
#include "platform/controls/combobox.h"
#include "platform/controls/controls.h"
#include "platform/controls/drivelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/desktop/services.h"
#include "platform/files/seqfile.h"
#include "platform/webview/webview.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

// The window and its controls' places (see FileDialog::Layout).
// clang-format off
savefile::savefile()
    : FileDialog({"savefile", "Save File As", QStyle::SP_DialogSaveButton, 5460, 3660,
                   {120, 2160, 495, 375}, {840, 2040, 4455, 375}, "Save ", 3120}) {
    // clang-format on
    Label2 = add<pw::Label>("Label2", {120, 2640, 855, 255}, QStringLiteral("Type"));
    Label2->setFont(captionFont());
    Combo1 = add<pw::ComboBox>("Combo1", {840, 2520, 4455, 360});
    Combo1->setFont(captionFont());
    tabOrder({Drive1, Dir1, Text1, Command1, Command2, Combo1});
}

void savefile::Form_Load() {
    FileDialog::Form_Load();
    for (const char* type : {".txt", ".html", ".pl", ".js", ".php"})
        Combo1->AddItem(QLatin1String(type));
}

void savefile::Command1_Click() {
    // The copy is only needed while this save runs; a large text is not kept
    // by a dialog that stays open after a failure.
    const auto release = qScopeGuard([this] { SaveText = QString(); });
    SaveText = dialogs::editorTextArea().Text();
    // A name that names a folder rather than a file in it ("", "sub/", "."
    // or "..") would save the text as a hidden file made of the type alone.
    const QString name = QDir::fromNativeSeparators(Text1->Text());
    const QString last = name.section(QLatin1Char('/'), -1);
    if (last.isEmpty() || last == QLatin1String(".") || last == QLatin1String(".."))
        throw pw::OperationError(
            QStringLiteral("Could not save the file"), pathOf(Text1->Text()),
            QStringLiteral("Type a name for the file: the name may not be empty, end in a "
                           "folder separator, or be \".\" or \"..\"."));
    const QString path = pathOf(Text1->Text() + Combo1->Text());
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
