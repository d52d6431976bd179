#pragma once
// The desktop's notification area: an icon for a window, with a tooltip and a
// callback for its clicks, and bringing a window to the front. The area
// itself is a replaceable service, so that tests can put a recorder in place
// of the desktop.

#include <QIcon>
#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

namespace pw {

class Form;

// The codes a click on an icon is reported with: the mouse messages the
// Windows shell uses for them.
constexpr std::int32_t WM_MOUSEMOVE = 0x200;
constexpr std::int32_t WM_LBUTTONUP = 0x202;
constexpr std::int32_t WM_LBUTTONDBLCLK = 0x203;
constexpr std::int32_t WM_RBUTTONUP = 0x205;
constexpr std::int32_t WM_MBUTTONUP = 0x208;

// What the desktop offers; one object for the whole program.
class NotificationArea {
public:
    using Activated = std::function<void(std::int32_t message)>;

    virtual ~NotificationArea() = default;

    // Whether the desktop shows notification icons at the moment.
    virtual bool available() = 0;
    // Shows an icon with a tooltip. Each click on it is reported to activated,
    // from the event loop, as WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP or
    // WM_MBUTTONUP. Returns false when the desktop takes no icon.
    virtual bool addIcon(quint64 id, const QIcon& icon, const QString& tip,
                         Activated activated) = 0;
    virtual void removeIcon(quint64 id) = 0;
    // Brings a top-level window to the front and gives it the keyboard focus;
    // a window that is hidden now gets both when it is next shown.
    virtual void bringToFront(QWidget* window) = 0;

    // The program's side: told when the desktop's notification area goes
    // away or comes back (when available() changes).
    void setChangeHandler(std::function<void()> changed) { m_changed = std::move(changed); }

protected:
    void availabilityChanged() {
        if (m_changed)
            m_changed();
    }

private:
    std::function<void()> m_changed;
};

// The notification area in use (the desktop's unless a test has set another).
NotificationArea& notificationArea();
// Puts another in place; nullptr restores the desktop's. Not owned.
void setNotificationArea(NotificationArea* replacement);

// The program's icons, each known by its window and a number of the
// window's own. Adding fails when that icon is there already or the desktop
// takes none; removing fails when it is not there. Clicks reach clicked only
// while the icon is there and the window is loaded. An icon that was added
// stays the program's until it is removed: when the desktop's notification
// area goes away, lost is called, and when an area comes back the icon is
// added to it again.
bool addNotifyIcon(Form& window, int id, const QIcon& icon, const QString& tip,
                   std::function<void(std::int32_t message)> clicked,
                   std::function<void()> lost = {});
bool removeNotifyIcon(Form& window, int id);
// Whether the icon is in the notification area now: added, not removed, and
// the desktop still shows such icons.
bool notifyIconShown(const Form& window, int id);

// Brings the window to the front (SetForegroundWindow).
void SetForegroundWindow(Form& window);

} // namespace pw
