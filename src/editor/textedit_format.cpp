// The Font menu. Each command records its choice as text in the window's
// format settings and then converts that text and applies it to the whole text
// area; the text, the selection and the focus are left alone. Size 28 only
// records its size, so the next print uses 28 points while the screen keeps
// the size it had.

#include "editor/textedit.h"
#include "platform/controls/textbox.h"
#include "platform/files/conversions.h"

namespace {

using T = textedit;

enum class Setting { Face, Size, Weight, Color };

// One command of a Font submenu, in menu order: what it sets, its menu item,
// name and caption, and the value it records. Colour numbers are 0x00BBGGRR,
// red in the low byte.
struct FontCommand {
    Setting setting;
    pw::Menu* T::*item;
    const char* name;
    const char* caption;
    const char* value;
};

const FontCommand FontCommands[] = {
    {Setting::Face, &T::mssfg, "mssfg", "Ms Sans Serif", "Ms Sans Serif"},
    {Setting::Face, &T::mss, "mss", "Ms Serif", "Ms Serif"},
    {Setting::Face, &T::msg, "msg", "Ms Gothic", "Ms Gothic"},
    {Setting::Face, &T::msm, "msm", "Ms Mincho", "Ms Mincho"},
    {Setting::Face, &T::msans, "msans", "MVSans", "MVSans"},
    {Setting::Face, &T::xligh, "xligh", "NapoliSerial-Xlight", "NapoliSerial-Xlight"},
    {Setting::Size, &T::eight, "eight", "8", "8"},
    {Setting::Size, &T::nine, "nine", "9", "9"},
    {Setting::Size, &T::ten, "ten", "10", "10"},
    {Setting::Size, &T::elebv, "elebv", "11", "11"},
    {Setting::Size, &T::twelve, "twelve", "12", "12"},
    {Setting::Size, &T::fourte, "fourte", "14", "14"},
    {Setting::Size, &T::sizten, "sizten", "16", "16"},
    {Setting::Size, &T::eighteen, "eighteen", "18", "18"},
    {Setting::Size, &T::twenty, "twenty", "20", "20"},
    {Setting::Size, &T::twetnttwo, "twetnttwo", "22", "22"},
    {Setting::Size, &T::twentyfour, "twentyfour", "24", "24"},
    {Setting::Size, &T::twentysix, "twentysix", "26", "26"},
    {Setting::Size, &T::twentyeight, "twentyeight", "28", "28"},
    {Setting::Size, &T::thirtysix, "thirtysix", "36 ", "36"},
    {Setting::Size, &T::fourtyeight, "fourtyeight", "48", "48"},
    {Setting::Size, &T::seventytwo, "seventytwo", "72", "72"},
    {Setting::Weight, &T::reg, "reg", "Regular", "false"},
    {Setting::Weight, &T::bold, "bold", "Bold", "true"},
    {Setting::Color, &T::blk, "blk", "Black", "0"},
    {Setting::Color, &T::blu, "blu", "Blue", "16711680"}, // pure blue, 0xFF0000
    {Setting::Color, &T::rdf, "rdf", "Red", "255"},       // pure red, 0x0000FF
};

} // namespace

void textedit::buildFontMenus() {
    fnt = addMenu(fnts, "fnt", QStringLiteral("Font"));
    sz = addMenu(fnts, "sz", QStringLiteral("Size"));
    tp = addMenu(fnts, "tp", QStringLiteral("Type"));
    cl = addMenu(fnts, "cl", QStringLiteral("Color"));
    pw::Menu* const submenus[] = {fnt, sz, tp, cl};

    for (const FontCommand& c : FontCommands) {
        const auto click = [this, &c] {
            const QString value = QString::fromUtf8(c.value);
            switch (c.setting) {
            case Setting::Face:
                CurrentFontName = value;
                Text1->setFontName(CurrentFontName);
                break;
            case Setting::Size:
                CurrentFontSize = value;
                if (c.item != &T::twentyeight)
                    Text1->setFontSize(pw::toSingle(CurrentFontSize));
                break;
            case Setting::Weight:
                CurrentBold = value;
                Text1->setFontBold(pw::toBoolean(CurrentBold));
                break;
            case Setting::Color:
                CurrentForeColor = value;
                Text1->setForeColor(pw::toLong(CurrentForeColor));
                break;
            }
        };
        this->*c.item =
            addCommand(submenus[int(c.setting)], c.name, QString::fromUtf8(c.caption), click);
    }
}
