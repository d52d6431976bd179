#pragma once
// What the three file dialogs share: how their controls are made and placed,
// and how the controls' events reach the handlers, each through the event
// dispatch, which shows a failure once.

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/textbox.h"
#include "platform/units.h"

#include <QFont>
#include <QObject>
#include <QWidget>

#include <utility>

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

// Where a control lies on its window, in twips.
struct Rect {
    int left, top, width, height;
};

// A control on a dialog's surface, with its name and place.
template <class Control, class... Args>
Control* add(QWidget* surface, const char* name, Rect r, Args&&... args) {
    auto* c = new Control(surface, std::forward<Args>(args)...);
    c->setObjectName(QLatin1String(name));
    pw::place(c, r.left, r.top, r.width, r.height);
    return c;
}

// A label or a button, in the caption face.
template <class Control>
Control* addCaptioned(QWidget* surface, const char* name, Rect r, const QString& caption) {
    auto* c = add<Control>(surface, name, r, caption);
    c->setFont(captionFont());
    return c;
}

// The file name box, in the caption face.
inline pw::SingleLineTextBox* addNameBox(QWidget* surface, const char* name, Rect r) {
    auto* c = add<pw::SingleLineTextBox>(surface, name, r);
    c->initFont(captionFont().family(), 9.75f, true);
    return c;
}

// Sets the tab order of the controls as given; the first has the focus.
template <class... Widgets> void tabOrder(QWidget* first, Widgets*... rest) {
    QWidget* prev = first;
    ((QWidget::setTabOrder(prev, rest), prev = rest), ...);
    first->setFocus();
}

} // namespace dialogs
