#pragma once
// The Delete File dialog: the file selected in the list is deleted at once;
// the dialog stays open for more.

#include "platform/form.h"

namespace pw {
class CommandButton;
class DriveList;
class FileList;
class FolderList;
class Label;
class SingleLineTextBox;
} // namespace pw

class delfile : public pw::Form {
    Q_OBJECT
public:
    delfile();

    static delfile& instance() { return pw::DefaultInstance<delfile>::get(); }
    static delfile* loadedInstance() { return pw::DefaultInstance<delfile>::peek(); }

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
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();

    void Form_Load() override;
};
