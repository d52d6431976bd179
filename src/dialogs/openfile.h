#pragma once
// The Open file dialog: a drive, a folder and a file name; "Open" loads the
// file's lines into the editor's text area and closes the dialog.

#include "dialogs/filedialog.h"

class openfile : public FileListDialog {
    Q_OBJECT
public:
    openfile();

    static openfile& instance() { return pw::DefaultInstance<openfile>::get(); }
    static openfile* loadedInstance() { return pw::DefaultInstance<openfile>::peek(); }

    void File1_Click();
    void Command1_Click() override;
};
