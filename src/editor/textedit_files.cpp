// File menu: the Open, Save As and Delete dialogs, shown modeless. A dialog
// that is open already is brought to the front unchanged.

#include "dialogs/delfile.h"
#include "dialogs/editortext.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"

namespace {

// The dialogs reach the text area through the default instance.
[[maybe_unused]] const bool textAreaReachable =
    (dialogs::setEditorTextArea([]() -> pw::TextBox& { return *textedit::instance().Text1; }),
     true);

void bringUp(pw::Form& dialog) {
    dialog.Show();
    dialog.raise();
    dialog.activateWindow();
}

} // namespace

void textedit::opd_Click() {
    bringUp(openfile::instance());
}
void textedit::sav_Click() {
    bringUp(savefile::instance());
}
void textedit::ddel_Click() {
    bringUp(delfile::instance());
}

void textedit::Text1_FileDropped(const QString& path) {
    openfile::LoadIntoEditor(path);
}

void textedit::OpenFromDesktop(const QString& path) {
    // Once the window is up; a failure gives the message "Open" would give.
    QMetaObject::invokeMethod(
        this, [path] { pw::dispatch("OpenFromDesktop", [&] { openfile::LoadIntoEditor(path); }); },
        Qt::QueuedConnection);
}
