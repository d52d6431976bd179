#pragma once
// The shell and window-manager calls the program makes itself: an icon in the
// desktop's notification area and bringing a window to the front. Windows are
// named by their native handle cut to 32 bits, icons by a handle from
// iconHandle(). The notification area itself is a replaceable service, so
// that tests can put a recorder in place of the desktop.

#include <QByteArrayView>
#include <QIcon>
#include <QtGlobal>

#include <cstdint>
#include <functional>

class QWidget;

namespace pw {

// Messages of Shell_NotifyIconA.
constexpr std::int32_t NIM_ADD = 0;
constexpr std::int32_t NIM_MODIFY = 1;
constexpr std::int32_t NIM_DELETE = 2;

// Which fields of an icon record are in use.
constexpr std::int32_t NIF_MESSAGE = 1;
constexpr std::int32_t NIF_ICON = 2;
constexpr std::int32_t NIF_TIP = 4;

// Mouse messages; an icon reports its events with these codes.
constexpr std::int32_t WM_MOUSEMOVE = 0x200;
constexpr std::int32_t WM_LBUTTONDOWN = 0x201;
constexpr std::int32_t WM_LBUTTONUP = 0x202;
constexpr std::int32_t WM_LBUTTONDBLCLK = 0x203;
constexpr std::int32_t WM_RBUTTONDOWN = 0x204;
constexpr std::int32_t WM_RBUTTONUP = 0x205;
constexpr std::int32_t WM_RBUTTONDBLCLK = 0x206;
constexpr std::int32_t WM_MBUTTONDOWN = 0x207;
constexpr std::int32_t WM_MBUTTONUP = 0x208;
constexpr std::int32_t WM_MBUTTONDBLCLK = 0x209;

// The icon record in its first and shortest form: six little-endian 32-bit
// fields (cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon), then a tip of
// 64 bytes in the system code page, read up to its first NUL.
constexpr int NotifyIconRecordSize = 88;
constexpr int NotifyIconTipSize = 64;

// The desktop's notification area.
class NotificationArea {
public:
    using Activated = std::function<void(std::int32_t message)>;

    virtual ~NotificationArea() = default;

    // Whether the desktop shows notification icons at the moment.
    virtual bool available() = 0;
    // Shows an icon with a tooltip. Each click on it is reported to activated,
    // from the event loop, as the mouse message it stands for: WM_LBUTTONUP,
    // WM_LBUTTONDBLCLK, WM_RBUTTONUP or WM_MBUTTONUP. Returns false when the
    // desktop takes no icon.
    virtual bool addIcon(quint64 id, const QIcon& icon, const QString& tip,
                         Activated activated) = 0;
    virtual void removeIcon(quint64 id) = 0;
    // Brings a top-level window to the front and gives it the keyboard focus;
    // a window that is hidden now gets both when it is next shown.
    virtual void bringToFront(QWidget* window) = 0;
};

// The notification area in use (the desktop's unless a test has set another).
NotificationArea& notificationArea();
// Puts another in place; nullptr restores the desktop's. Not owned.
void setNotificationArea(NotificationArea* replacement);

// Adds (NIM_ADD) or removes (NIM_DELETE) the icon the record describes; an
// icon is known by its window and identifier. Returns 1 on success and 0 when
// the record is malformed, the window is not one of the program's, the icon
// is already there (adding) or not there (removing), the message is another
// one, or the desktop has no notification area. With NIF_MESSAGE, events on
// the icon reach the window as uCallbackMessage; for WM_MOUSEMOVE that is a
// Form_MouseMove whose X, in pixels, is the event's message code.
std::int32_t Shell_NotifyIconA(std::int32_t message, QByteArrayView record);

// Brings the window named by the handle to the front. Returns 1, or 0 when
// the handle names no window of the program.
std::int32_t SetForegroundWindow(std::int32_t hWnd);

// A window's native handle cut to 32 bits, as the calls above take it.
std::int32_t handle32(WId id);

// A handle for an icon, to be put in an icon record; the same icon always
// gets the same handle. 0 for a null icon.
std::int32_t iconHandle(const QIcon& icon);

// Whether the icon of this window and identifier is in the notification area
// now: added, not removed, and the desktop still shows such icons.
bool notifyIconShown(std::int32_t hWnd, std::int32_t uID);

} // namespace pw
