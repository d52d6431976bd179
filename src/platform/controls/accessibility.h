#pragma once
// What screen readers and keyboard users need from every window: an
// accessible name and role for each control, the menu bar reachable from the
// keyboard as on Windows (Alt, or F10, moves into it; arrows and Enter
// choose), and a way out of controls that keep the Tab key for themselves.

class QMainWindow;
class QWidget;

namespace pw {

// Puts the toolkit's own descriptions of its controls in place for screen
// readers: the drive list and the combo box speak their name rather than
// their value, the shape is a separator, and a window shows only the controls
// one can see (not a hidden one, nor one that another covers whole). Done once; called before the
// first window's controls exist.
void installAccessibleInterfaces();

// Gives every control on a window's surface that has no accessible name one:
// the drive, folder and file lists are "Drive", "Folder" and "Files"; a text
// box or combo box takes the text of the label on its left (the label on the
// same line that starts before it); the text area, the web view, the shape
// and the package containers take the name of what they are.
void nameControls(QWidget* surface);

// Keyboard access to a window: a tap of Alt, or F10, moves into the menu bar
// (its first title highlighted) and back out; Ctrl+Tab and Ctrl+Shift+Tab move to the next and
// previous control in the tab order also from a control that takes Tab itself (the text area, a web
// page).
void enableKeyboardAccess(QMainWindow* window);

} // namespace pw
