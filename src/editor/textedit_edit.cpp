#include "editor/pending.h"
#include "editor/textedit.h"

void textedit::cpyh_Click() {
    commandPending("cpyh");
}
void textedit::ptsf_Click() {
    commandPending("ptsf");
}
void textedit::clsg_Click() {
    commandPending("clsg");
}
void textedit::prnt_Click() {
    commandPending("prnt");
}
