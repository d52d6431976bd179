#pragma once
// Pop-up menus opened by what a test does.

#include <QPoint>
#include <QStringList>

#include <functional>
#include <optional>

struct Popup {
    QStringList items; // the captions, in order
    QPoint pos;
    bool editorHidden; // whether the editor window was hidden meanwhile
};

// Runs act; a pop-up menu that opens meanwhile is noted and then given the
// key (Escape, when none, dismisses it). Never waits for a menu that stays
// open. Nothing when no menu opened, which is known once the events the act
// posted were handled and the watch looked once more.
std::optional<Popup> popupDuring(const std::function<void()>& act, char key = 0);

// Returns once the events posted so far, the window system's included, have
// been handled: the sign that what they would do has been done. False when
// that took more than five seconds.
bool postedEventsHandled();
