#pragma once
// Stands in for the desktop's notification area in tests: records the icons
// added and removed and the windows brought to the front, and clicks an icon
// on request.

#include "platform/controls/form.h"
#include "platform/controls/shell.h"

#include <QMap>
#include <QStringList>

class TrayRecorder : public pw::NotificationArea {
public:
    struct Icon {
        QIcon icon;
        QString tip;
        Activated activated;
    };

    TrayRecorder() { pw::setNotificationArea(this); }
    ~TrayRecorder() override { pw::setNotificationArea(nullptr); }

    bool available() override { return present; }
    bool addIcon(quint64 id, const QIcon& icon, const QString& tip, Activated activated) override {
        events << QStringLiteral("add ") + tip;
        if (!present)
            return false;
        icons.insert(id, {icon, tip, std::move(activated)});
        return true;
    }
    void removeIcon(quint64 id) override {
        events << QStringLiteral("remove");
        icons.remove(id);
    }
    // Notes the window, whether it is hidden and its state at that moment.
    void bringToFront(QWidget* window) override {
        auto* form = qobject_cast<pw::Form*>(window);
        events << QStringLiteral("front %1%2 state %3")
                      .arg(window->objectName(), window->isVisible() ? "" : " hidden")
                      .arg(form ? form->WindowState() : -1);
    }

    // An event on the icon (the tests show one at a time); false when there
    // is none.
    bool click(std::int32_t message) {
        if (icons.isEmpty())
            return false;
        // A copy: the handler may remove the icon it belongs to.
        const Activated activated = icons.first().activated;
        activated(message);
        return true;
    }

    // The desktop's notification area goes away or comes back.
    void setPresent(bool now) {
        present = now;
        availabilityChanged();
    }

    bool present = true;
    QStringList events;
    QMap<quint64, Icon> icons;
};
