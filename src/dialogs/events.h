#pragma once
// How the dialogs hand their controls' events to their handlers: each event
// runs one handler through the event dispatch, which shows a failure once.

#include "platform/failure.h"

#include <QFont>
#include <QObject>

namespace dialogs {

template <class Control, class Signal, class Window>
void onEvent(Control* control, Signal signal, Window* window, const char* name,
             void (Window::*handler)()) {
    QObject::connect(control, signal, window, [window, name, handler] {
        pw::dispatch(name, [window, handler] { (window->*handler)(); });
    });
}

// The face of the dialogs' labels, name boxes and buttons: MS Sans Serif,
// 9.75 points, bold.
inline QFont captionFont() {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSizeF(9.75);
    f.setWeight(QFont::Bold);
    return f;
}

} // namespace dialogs
