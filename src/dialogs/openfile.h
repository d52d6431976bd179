#pragma once
// The Open file dialog: a drive, a folder and a file name; "Open" loads the
// file's lines into the editor's text area and closes the dialog.

#include "platform/form.h"

namespace pw {
class CommandButton;
class DriveList;
class FileList;
class FolderList;
class Label;
class SingleLineTextBox;
} // namespace pw

class openfile : public pw::Form {
    Q_OBJECT
public:
    openfile();

    static openfile& instance() { return pw::DefaultInstance<openfile>::get(); }
    static openfile* loadedInstance() { return pw::DefaultInstance<openfile>::peek(); }

    // Controls, in tab order.
    pw::DriveList* Drive1;
    pw::FolderList* Dir1;
    pw::FileList* File1;
    pw::Label* Label1;
    pw::SingleLineTextBox* Text1;
    pw::CommandButton* Command1;
    pw::CommandButton* Command2;

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void Command1_Click();
    void Command2_Click();

    void Form_Load() override;
};
