#include "editor/pending.h"
#include "editor/textedit.h"

void textedit::opd_Click() {
    commandPending("opd");
}
void textedit::sav_Click() {
    commandPending("sav");
}
void textedit::ddel_Click() {
    commandPending("ddel");
}
