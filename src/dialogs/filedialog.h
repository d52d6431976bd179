#pragma once
// What the three file dialogs share: a drive list that moves the folder list
// to the drive's current folder, the name box with its label "File", the two
// buttons (the second one, "Cancel", closes the dialog), the face of their
// captions, and how the controls are made, placed and connected to their
// handlers. The Open and Delete dialogs also list the folder's files.

#include "platform/controls/form.h"
#include "platform/desktop/failure.h"

#include <QFont>
#include <QStyle>

#include <functional>
#include <initializer_list>

namespace pw {
class CommandButton;
class DriveList;
class FileList;
class FolderList;
class Label;
class SingleLineTextBox;
} // namespace pw

class FileDialog : public pw::Form {
    Q_OBJECT
public:
    pw::DriveList* Drive1;
    pw::FolderList* Dir1;
    pw::Label* Label1;
    pw::SingleLineTextBox* Text1;
    pw::CommandButton* Command1;
    pw::CommandButton* Command2;

    void Drive1_Change();
    virtual void Command1_Click() = 0;
    void Command2_Click();

    void Form_Load() override;

protected:
    // Where a control lies on its window, in twips.
    struct Rect {
        int left, top, width, height;
    };
    // The window, and the places of the controls every dialog has that are
    // not in the same place in all three: the drive and folder lists are at
    // the top, the two buttons side by side at the given height.
    struct Layout {
        const char* name;            // the window's class
        const char* caption;         // its title
        QStyle::StandardPixmap icon; // its icon
        int width, height;           // its client area
        Rect label, nameBox;         // Label1 and Text1
        const char* command1;        // the first button's caption
        int buttonsTop;              // the top of both buttons
    };
    explicit FileDialog(const Layout& layout);

    // A control on the surface, with its name and place.
    template <class Control, class... Args> Control* add(const char* name, Rect r, Args&&... args) {
        auto* c = new Control(surface(), std::forward<Args>(args)...);
        place(c, name, r);
        return c;
    }
    // The face of the labels, name boxes and buttons: MS Sans Serif, 9.75
    // points, bold.
    static QFont captionFont();
    // An event of a control runs a handler through the event dispatch, which
    // shows a failure once.
    template <class Control, class Signal>
    void onEvent(Control* control, Signal signal, const char* handler, std::function<void()> body) {
        QObject::connect(control, signal, this,
                         [handler, body = std::move(body)] { pw::dispatch(handler, body); });
    }
    // Sets the tab order of the controls as given; the first has the focus.
    static void tabOrder(std::initializer_list<QWidget*> controls);
    // The file a name in the name box stands for: a name typed as an
    // absolute path as it stands, any other in the folder shown.
    QString pathOf(const QString& name) const;

private:
    void place(QWidget* control, const char* name, Rect r);
};

// A dialog with a file list under its folder list, which follows it.
class FileListDialog : public FileDialog {
    Q_OBJECT
public:
    pw::FileList* File1;

    void Dir1_Change();

protected:
    FileListDialog(const Layout& layout, Rect fileList);
};
