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
// open. Nothing when no menu opened.
std::optional<Popup> popupDuring(const std::function<void()>& act, char key = 0);
