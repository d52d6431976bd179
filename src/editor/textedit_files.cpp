// File menu: the Open, Save As and Delete dialogs, shown modeless. A dialog
// that is open already is brought to the front unchanged.

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"

namespace {
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
