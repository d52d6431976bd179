// Copy, Past, Clear and Print.

#include "editor/textedit.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/clipboard.h"
#include "platform/files/conversions.h"
#include "platform/print/printer.h"

void textedit::cpyh_Click() {
    // The selection goes to the clipboard as it is; with nothing selected the
    // clipboard's text becomes empty.
    pw::Clipboard::SetText(Text1->SelText());
}

void textedit::ptsf_Click() {
    // Replaces the selection, or inserts at the caret; an empty clipboard
    // deletes the selection.
    Text1->setSelText(pw::Clipboard::GetText());
}

void textedit::clsg_Click() {
    // No question asked; the format stays as it was.
    Text1->setText(QString());
    Text1->SetFocus();
}

void textedit::prnt_Click() {
    // The whole text, in the recorded format (which after size 28 may differ
    // from what the screen shows), as one job on the default printer.
    pw::Printer& Printer = pw::printer();
    Printer.setFontName(CurrentFontName);
    Printer.setFontSize(pw::toSingle(CurrentFontSize));
    Printer.setForeColor(pw::toLong(CurrentForeColor));
    Printer.setFontBold(pw::toBoolean(CurrentBold));
    Printer.Print(Text1->Text());
    Printer.EndDoc();
}
