// File menu: the Open, Save As and Delete dialogs, shown modeless. A dialog
// that is open already is brought to the front unchanged.

#include "dialogs/delfile.h"
#include "dialogs/editortext.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"

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
