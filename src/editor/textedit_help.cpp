// The Calculator command and the Help and Donate menus: each opens the
// package of one of the containers OLE1 to OLE6 (filled from
// embedded/packages.h); About shows an empty box.

#include "editor/textedit.h"
#include "platform/desktop/services.h"
#include "platform/files/olecontainer.h"

void textedit::wcw_Click() {
    OLE1->DoVerb();
}

void textedit::about_Click() {
    pw::services().beep();
    pw::services().msgBox(QString(), pw::MsgBoxInformation, QStringLiteral("About"));
}

void textedit::redme_Click() {
    OLE6->DoVerb();
}

void textedit::contactus_Click() {
    OLE5->DoVerb();
}

void textedit::dola_Click() {
    OLE2->DoVerb();
}

void textedit::twodol_Click() {
    OLE3->DoVerb();
}

void textedit::fivedol_Click() {
    OLE4->DoVerb();
}
