#include "popup.h"

#include "editor/textedit.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

std::optional<Popup> popupDuring(const std::function<void()>& act, char key) {
    std::optional<Popup> seen;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        if (seen) {
            menu->close();
            return;
        }
        const textedit* editor = textedit::loadedInstance();
        seen = Popup{{}, menu->pos(), editor && editor->isHidden()};
        for (QAction* a : menu->actions())
            seen->items << a->text();
        if (key)
            QTest::keyClick(menu, key);
        else
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    int looks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++looks; });
    timer.start();
    act();
    // A menu the act left for the event loop to open has had its chance once
    // the events posted so far were handled and the watch looked again.
    postedEventsHandled();
    const int after = looks;
    QTest::qWaitFor([&] { return looks > after + 1; }, 5000);
    return seen;
}

bool postedEventsHandled() {
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    return QTest::qWaitFor([&] { return handled; }, 5000);
}
