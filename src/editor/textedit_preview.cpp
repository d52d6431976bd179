#include "editor/pending.h"
#include "editor/textedit.h"

void textedit::namand_Click() {
    commandPending("namand");
}
void textedit::awpn_Click() {
    commandPending("awpn");
}
void textedit::horisz_Click() {
    commandPending("horisz");
}
void textedit::refresh_Click() {
    commandPending("refresh");
}
