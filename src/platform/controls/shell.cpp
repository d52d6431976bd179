#include "shell.h"

#include "form.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

namespace pw {

namespace {

class DesktopNotificationArea final : public NotificationArea {
public:
    bool available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    bool addIcon(quint64 id, const QIcon& icon, const QString& tip, Activated activated) override {
        watch();
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
    // The desktop says nothing when its panel ends or starts, so once the
    // program has asked for an icon the area is looked at once a second.
    void watch() {
        if (m_watch)
            return;
        m_watch = new QTimer(qApp);
        m_available = available();
        QObject::connect(m_watch, &QTimer::timeout, [this] {
            if (available() == m_available)
                return;
            m_available = !m_available;
            availabilityChanged();
        });
        m_watch->start(1000);
    }

    QHash<quint64, QSystemTrayIcon*> m_icons;
    QPointer<QTimer> m_watch;
    bool m_available = false;
};

void areaChanged();

DesktopNotificationArea* desktopArea() {
    // Created on first use: nothing of the notification area is touched at
    // start-up before the editor window asks for its icon.
    static DesktopNotificationArea area;
    static const bool handled = (area.setChangeHandler(areaChanged), true);
    Q_UNUSED(handled);
    return &area;
}

NotificationArea* g_area = nullptr;

// An icon added and not yet removed. The window is held by address, not by
// its native handle: Qt may give a window a new native window (a web view's
// surface does), and the icon's clicks still belong to the same window.
// A window destroyed without removing its icon (the program ending) leaves
// an entry that names no window; it matches nothing.
struct AddedIcon {
    QPointer<const Form> window;
    int id;
    quint64 key;
    QIcon icon;
    QString tip;
    NotificationArea::Activated activated;
    std::function<void()> lost;
    bool inArea; // false while the desktop has no notification area
};

QList<AddedIcon>& addedIcons() {
    static QList<AddedIcon> icons;
    return icons;
}

qsizetype indexOf(const Form& window, int id) {
    const QList<AddedIcon>& icons = addedIcons();
    for (qsizetype i = 0; i < icons.size(); ++i)
        if (icons[i].window.data() == &window && icons[i].id == id)
            return i;
    return -1;
}

bool stillAdded(quint64 key) {
    for (const AddedIcon& icon : addedIcons())
        if (icon.key == key)
            return true;
    return false;
}

// The area went away or came back: its icons go with it, and come back with
// it. Whoever lost an icon is told, after the list is in order.
void areaChanged() {
    NotificationArea& area = notificationArea();
    const bool available = area.available();
    QList<std::function<void()>> told;
    for (AddedIcon& icon : addedIcons()) {
        if (!icon.window || icon.inArea == available)
            continue;
        if (available) {
            icon.inArea = area.addIcon(icon.key, icon.icon, icon.tip, icon.activated);
        } else {
            area.removeIcon(icon.key);
            icon.inArea = false;
            if (icon.lost)
                told << icon.lost;
        }
    }
    for (const auto& lost : told)
        lost();
}

} // namespace

NotificationArea& notificationArea() {
    return g_area ? *g_area : *desktopArea();
}

void setNotificationArea(NotificationArea* replacement) {
    // Icons added to the area that is going away are not in the new one.
    addedIcons().clear();
    if (g_area)
        g_area->setChangeHandler({});
    if (replacement)
        replacement->setChangeHandler(areaChanged);
    g_area = replacement;
}

bool addNotifyIcon(Form& window, int id, const QIcon& icon, const QString& tip,
                   std::function<void(std::int32_t message)> clicked, std::function<void()> lost) {
    if (indexOf(window, id) >= 0)
        return false;
    static quint64 lastKey = 0;
    const quint64 key = ++lastKey;
    const auto activated = [target = QPointer<Form>(&window), key,
                            clicked = std::move(clicked)](std::int32_t message) {
        // Nothing reaches a window after its icon was removed.
        if (stillAdded(key) && target && target->isLoaded())
            clicked(message);
    };
    if (!notificationArea().addIcon(key, icon, tip, activated))
        return false;
    addedIcons().append({&window, id, key, icon, tip, activated, std::move(lost), true});
    return true;
}

bool removeNotifyIcon(Form& window, int id) {
    const qsizetype i = indexOf(window, id);
    if (i < 0)
        return false;
    const AddedIcon icon = addedIcons().takeAt(i);
    if (icon.inArea)
        notificationArea().removeIcon(icon.key);
    return true;
}

bool notifyIconShown(const Form& window, int id) {
    const qsizetype i = indexOf(window, id);
    return i >= 0 && addedIcons().at(i).inArea && notificationArea().available();
}

void SetForegroundWindow(Form& window) {
    notificationArea().bringToFront(&window);
}

} // namespace pw
