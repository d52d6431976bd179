#include "editor/pending.h"
#include "editor/textedit.h"

void textedit::wcw_Click() {
    commandPending("wcw");
}
void textedit::about_Click() {
    commandPending("about");
}
void textedit::redme_Click() {
    commandPending("redme");
}
void textedit::contactus_Click() {
    commandPending("contactus");
}
void textedit::dola_Click() {
    commandPending("dola");
}
void textedit::twodol_Click() {
    commandPending("twodol");
}
void textedit::fivedol_Click() {
    commandPending("fivedol");
}
