#pragma once
// The Save As dialog: a drive, a folder, a name and a type; "Save " writes the
// editor's text to that file and closes the dialog.

#include "dialogs/filedialog.h"

namespace pw {
class ComboBox;
}

class savefile : public FileDialog {
    Q_OBJECT
public:
    savefile();

    static savefile& instance() { return pw::DefaultInstance<savefile>::get(); }
    static savefile* loadedInstance() { return pw::DefaultInstance<savefile>::peek(); }

    pw::Label* Label2;
    pw::ComboBox* Combo1;

    // The copy of the editor's text being saved; held only while a save runs.
    QString SaveText;

    void Command1_Click() override;

    void Form_Load() override;
};
