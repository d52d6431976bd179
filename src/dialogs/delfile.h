#pragma once
// The Delete File dialog: the file selected in the list is deleted at once;
// the dialog stays open for more.

#include "dialogs/filedialog.h"

class delfile : public FileListDialog {
    Q_OBJECT
public:
    delfile();

    static delfile& instance() { return pw::DefaultInstance<delfile>::get(); }
    static delfile* loadedInstance() { return pw::DefaultInstance<delfile>::peek(); }

    void Text1_Change();
    void Command1_Click() override;
};
