#include "editor/pending.h"
#include "editor/textedit.h"

void textedit::mPopRestore_Click() {
    commandPending("mPopRestore");
}
void textedit::mPopExit_Click() {
    commandPending("mPopExit");
}
void textedit::Form_MouseMove(int, int, float, float) {}
