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

    // What "Open" does with a file: reads it whole (its lines, each followed
    // by CR LF), then puts the text into the editor's text area. A read that
    // takes long shows its progress and can be cancelled (false: the text is
    // as it was). Also used for a file named on the command line or dropped
    // on the text area. Throws OperationError.
    static bool LoadIntoEditor(const QString& path);
};
