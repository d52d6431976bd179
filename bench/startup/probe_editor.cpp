// The editor started exactly as the program starts it.
#include "editor/textedit.h"
#include "platform/application.h"
#include "platform/controls/textbox.h"
#include "probe.h"

int main(int argc, char** argv) {
    return pw::runApplication(argc, argv, [] {
        textedit& w = textedit::instance();
        new ReadyProbe(w.Text1->viewport());
        w.Text1->viewport()->update();
    });
}
