#pragma once
// The editor window's icon in the notification area and its pop-up menu:
// added when the window loads, removed when it unloads; a left click or
// double-click restores the window, a right click opens the menu. The icon's
// clicks reach the window as its Form_MouseMove with the click's code for X,
// which the window hands to message().

#include "tray/trayiconrecord.h"

namespace pw {
class Form;
class Menu;
} // namespace pw

class NotifyIcon {
public:
    // The icon of this window; the menu is the one a right click opens.
    explicit NotifyIcon(pw::Form& window) : m_window(window) {}
    void setMenu(pw::Menu* menu) { m_menu = menu; }

    // Fills the record and adds the icon. Without a notification area the
    // window simply has no icon; nothing is reported. Should the area go away
    // while the window is hidden, the window is shown minimised; when an area
    // comes back, the icon is in it again.
    void add();
    // Removes the icon, if it was added.
    void remove();
    // Whether the icon is in the notification area now.
    bool shown() const;

    // An icon message: x is the X of the mouse movement it arrived as, in
    // the window's scale (pixels or twips).
    void message(float x);
    // Normal state, to the front, shown.
    void restore();

    const TrayIconRecord& record() const { return m_record; }

private:
    pw::Form& m_window;
    pw::Menu* m_menu = nullptr;
    TrayIconRecord m_record;
};
