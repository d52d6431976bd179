#include "shell.h"

#include "form.h"

#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

namespace pw {

namespace {

class DesktopNotificationArea final : public NotificationArea {
public:
    bool available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    bool addIcon(quint64 id, const QIcon& icon, const QString& tip, Activated activated) override {
        if (!available() || m_icons.contains(id))
            return false;
        auto* tray = new QSystemTrayIcon(icon);
        tray->setToolTip(tip);
        // Queued like the shell's own messages: the handler runs from the
        // event loop, never inside the icon's own mouse handling, so that it
        // may open a menu or remove the very icon that was clicked.
        QObject::connect(
            tray, &QSystemTrayIcon::activated, tray,
            [activated = std::move(activated)](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    activated(WM_LBUTTONUP);
                    break;
                case QSystemTrayIcon::DoubleClick:
                    activated(WM_LBUTTONDBLCLK);
                    break;
                case QSystemTrayIcon::Context:
                    activated(WM_RBUTTONUP);
                    break;
                case QSystemTrayIcon::MiddleClick:
                    activated(WM_MBUTTONUP);
                    break;
                default:
                    break;
                }
            },
            Qt::QueuedConnection);
        tray->show();
        m_icons.insert(id, tray);
        return true;
    }

    void removeIcon(quint64 id) override {
        if (QSystemTrayIcon* tray = m_icons.take(id)) {
            tray->hide();
            // Its own click may be the one being handled.
            tray->deleteLater();
        }
    }

    void bringToFront(QWidget* window) override {
        if (window->isVisible()) {
            window->raise();
            window->activateWindow();
            return;
        }
        // A hidden window cannot take the focus; it does once the handler
        // that is about to show it has done so.
        QTimer::singleShot(0, window, [window = QPointer<QWidget>(window)] {
            if (window && window->isVisible()) {
                window->raise();
                window->activateWindow();
            }
        });
    }

private:
    QHash<quint64, QSystemTrayIcon*> m_icons;
};

DesktopNotificationArea* desktopArea() {
    // Created on first use: nothing of the notification area is touched at
    // start-up before the editor window asks for its icon.
    static DesktopNotificationArea area;
    return &area;
}

NotificationArea* g_area = nullptr;

// The icons added and not yet removed, by window and identifier.
QSet<quint64>& addedIcons() {
    static QSet<quint64> icons;
    return icons;
}

QHash<std::int32_t, QIcon>& iconsByHandle() {
    static QHash<std::int32_t, QIcon> icons;
    return icons;
}

quint64 iconKey(std::int32_t hWnd, std::int32_t uID) {
    return (quint64(quint32(hWnd)) << 32) | quint32(uID);
}

QWidget* windowByHandle(std::int32_t hWnd) {
    if (hWnd == 0)
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->internalWinId() && handle32(w->internalWinId()) == hWnd)
            return w;
    return nullptr;
}

std::int32_t field(QByteArrayView record, int index) {
    return qFromLittleEndian<qint32>(record.data() + 4 * index);
}

} // namespace

NotificationArea& notificationArea() {
    return g_area ? *g_area : *desktopArea();
}

void setNotificationArea(NotificationArea* replacement) {
    // Icons added to the area that is going away are not in the new one.
    addedIcons().clear();
    g_area = replacement;
}

std::int32_t handle32(WId id) {
    return static_cast<std::int32_t>(static_cast<quint32>(id));
}

std::int32_t iconHandle(const QIcon& icon) {
    if (icon.isNull())
        return 0;
    auto& icons = iconsByHandle();
    for (auto it = icons.cbegin(); it != icons.cend(); ++it)
        if (it.value().cacheKey() == icon.cacheKey())
            return it.key();
    const auto handle = static_cast<std::int32_t>(icons.size() + 1);
    icons.insert(handle, icon);
    return handle;
}

std::int32_t Shell_NotifyIconA(std::int32_t message, QByteArrayView record) {
    if (record.size() < NotifyIconRecordSize || field(record, 0) != NotifyIconRecordSize)
        return 0;
    const std::int32_t hWnd = field(record, 1);
    const std::int32_t uID = field(record, 2);
    const std::int32_t uFlags = field(record, 3);
    const std::int32_t uCallbackMessage = field(record, 4);
    const std::int32_t hIcon = field(record, 5);
    const quint64 key = iconKey(hWnd, uID);

    switch (message) {
    case NIM_ADD: {
        if (addedIcons().contains(key) || !windowByHandle(hWnd))
            return 0;
        QIcon icon;
        if (uFlags & NIF_ICON)
            icon = iconsByHandle().value(hIcon);
        QString tip;
        if (uFlags & NIF_TIP) {
            const QByteArrayView bytes = record.sliced(24, NotifyIconTipSize);
            const qsizetype end = bytes.indexOf('\0');
            tip = QString::fromLocal8Bit(end < 0 ? bytes : bytes.first(end));
        }
        const std::int32_t callback = (uFlags & NIF_MESSAGE) ? uCallbackMessage : 0;
        // The icon's messages go to the window it was added for, as a native
        // handle names one window for its whole life. Qt may give a window a
        // new native window meanwhile (a web view's surface does), so the
        // handle is not looked up again at each click.
        const QPointer<Form> target = qobject_cast<Form*>(windowByHandle(hWnd));
        const auto activated = [target, key, callback](std::int32_t code) {
            // Nothing reaches a window after its icon was removed.
            if (!addedIcons().contains(key))
                return;
            // The window's own handler for mouse movements takes the message;
            // it has none for any other.
            if (callback != WM_MOUSEMOVE)
                return;
            if (target && target->isLoaded())
                target->raiseIconMessage(code);
        };
        if (!notificationArea().addIcon(key, icon, tip, activated))
            return 0;
        addedIcons().insert(key);
        return 1;
    }
    case NIM_DELETE:
        if (!addedIcons().remove(key))
            return 0;
        notificationArea().removeIcon(key);
        return 1;
    default:
        return 0;
    }
}

std::int32_t SetForegroundWindow(std::int32_t hWnd) {
    QWidget* window = windowByHandle(hWnd);
    if (!window)
        return 0;
    notificationArea().bringToFront(window);
    return 1;
}

bool notifyIconShown(std::int32_t hWnd, std::int32_t uID) {
    return addedIcons().contains(iconKey(hWnd, uID)) && notificationArea().available();
}

} // namespace pw
