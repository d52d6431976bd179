#pragma once
// The Save As dialog: a drive, a folder, a name and a type; "Save " writes the
// editor's text to that file and closes the dialog.

#include "platform/form.h"

namespace pw {
class ComboBox;
class CommandButton;
class DriveList;
class FolderList;
class Label;
class SingleLineTextBox;
} // namespace pw

class savefile : public pw::Form {
    Q_OBJECT
public:
    savefile();

    static savefile& instance() { return pw::DefaultInstance<savefile>::get(); }
    static savefile* loadedInstance() { return pw::DefaultInstance<savefile>::peek(); }

    // Controls, in tab order.
    pw::DriveList* Drive1;
    pw::FolderList* Dir1;
    pw::SingleLineTextBox* Text1;
    pw::Label* Label1;
    pw::CommandButton* Command1;
    pw::CommandButton* Command2;
    pw::Label* Label2;
    pw::ComboBox* Combo1;

    // The copy of the editor's text being saved; held only while a save runs.
    QString SaveText;

    void Drive1_Change();
    void Command1_Click();
    void Command2_Click();

    void Form_Load() override;
};
