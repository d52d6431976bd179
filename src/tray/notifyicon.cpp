#include "notifyicon.h"

#include "platform/controls/form.h"
#include "platform/controls/shell.h"
#include "platform/controls/units.h"
#include "platform/files/conversions.h"

#include <QPointer>

void NotifyIcon::add() {
    m_record.cbSize = TrayIconRecord::Size;
    m_record.hWnd = static_cast<std::int32_t>(m_window.hWnd());
    m_record.uID = 1;
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_record.uCallbackMessage = pw::WM_MOUSEMOVE;
    // The icon's serial number, which names it for the program's whole life.
    m_record.hIcon = static_cast<std::int32_t>(m_window.Icon().cacheKey() >> 32);
    m_record.setTip(QStringLiteral("Your ToolTip") + QChar(u'\0'));

    // The clicks come back as mouse movements of the window, as the shell
    // sends them for a record whose callback message is WM_MOUSEMOVE.
    const QPointer<pw::Form> window(&m_window);
    pw::addNotifyIcon(
        m_window, m_record.uID, m_window.Icon(), m_record.tooltip(),
        [window](std::int32_t code) {
            if (window)
                window->raiseIconMessage(code);
        },
        [window] {
            // Hidden into the icon, the window would be gone with it, and
            // the text with it: it comes back minimised in the task bar.
            // The icon is added again when the area comes back.
            if (window && window->isLoaded() && window->isHidden()) {
                // Shown, then minimised: a window mapped already minimised
                // may be shown normal by the window system, whose own
                // record of the hidden window's state is gone.
                window->setWindowState(pw::vbNormal);
                window->Show();
                window->setWindowState(pw::vbMinimized);
            }
        });
}

void NotifyIcon::remove() {
    pw::removeNotifyIcon(m_window, m_record.uID);
}

bool NotifyIcon::shown() const {
    return pw::notifyIconShown(m_window, m_record.uID);
}

void NotifyIcon::message(float x) {
    const double pixels =
        m_window.ScaleMode() == pw::vbPixels ? double(x) : double(x) / pw::Screen::TwipsPerPixelX;
    const std::optional<qint32> code = pw::roundToLong(pixels);
    if (!code)
        return;

    switch (*code) {
    case pw::WM_LBUTTONUP:
    case pw::WM_LBUTTONDBLCLK:
        restore();
        break;
    case pw::WM_RBUTTONUP:
        // The menu opens at the pointer; a hidden window stays hidden.
        pw::SetForegroundWindow(m_window);
        m_window.PopupMenu(m_menu);
        break;
    default:
        break;
    }
}

void NotifyIcon::restore() {
    m_window.setWindowState(pw::vbNormal);
    pw::SetForegroundWindow(m_window);
    m_window.Show();
}
