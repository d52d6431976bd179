// The editor window's side of its notification icon: the icon's clicks, which
// arrive as mouse movements of the window, and the icon's pop-up menu.

#include "editor/textedit.h"
#include "platform/shell.h"
#include "platform/units.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

// A number as a 32-bit integer: the nearest one, halves to the even
// neighbour. Nothing for a number outside the range or not a number.
std::optional<std::int32_t> toLong(double value) {
    if (!(value > double(std::numeric_limits<std::int32_t>::min()) - 0.5 &&
          value < double(std::numeric_limits<std::int32_t>::max()) + 0.5))
        return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<std::int32_t>(whole);
}

} // namespace

void textedit::mPopRestore_Click() {
    setWindowState(pw::vbNormal);
    pw::SetForegroundWindow(pw::handle32(hWnd()));
    Show();
}

void textedit::mPopExit_Click() {
    // The ordinary unload: Form_Unload removes the icon, and another window
    // that is still open keeps the program running.
    Unload();
}

void textedit::Form_MouseMove(int, int, float x, float) {
    // The icon's events come as mouse movements whose X is the event's code.
    // The mouse moving over the window itself (the bar of the split screen)
    // is no such event, whatever its X.
    if (!isIconMessage())
        return;
    const double pixels =
        ScaleMode() == pw::vbPixels ? double(x) : double(x) / pw::Screen::TwipsPerPixelX;
    const std::optional<std::int32_t> code = toLong(pixels);
    if (!code)
        return;

    switch (*code) {
    case pw::WM_LBUTTONUP:
    case pw::WM_LBUTTONDBLCLK:
        setWindowState(pw::vbNormal);
        pw::SetForegroundWindow(pw::handle32(hWnd()));
        Show();
        break;
    case pw::WM_RBUTTONUP:
        // The menu opens at the pointer; a hidden window stays hidden.
        pw::SetForegroundWindow(pw::handle32(hWnd()));
        PopupMenu(mPopupSys);
        break;
    default:
        break;
    }
}
