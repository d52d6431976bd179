#include "support/fontcommands.h"

const QList<FontCommand>& fontCommands() {
    using K = FontCommand::Kind;
    static const QList<FontCommand> all = {
        {&textedit::mssfg, K::Name, "Ms Sans Serif"},
        {&textedit::mss, K::Name, "Ms Serif"},
        {&textedit::msg, K::Name, "Ms Gothic"},
        {&textedit::msm, K::Name, "Ms Mincho"},
        {&textedit::msans, K::Name, "MVSans"},
        {&textedit::xligh, K::Name, "NapoliSerial-Xlight"},
        {&textedit::eight, K::Size, "8"},
        {&textedit::nine, K::Size, "9"},
        {&textedit::ten, K::Size, "10"},
        {&textedit::elebv, K::Size, "11"},
        {&textedit::twelve, K::Size, "12"},
        {&textedit::fourte, K::Size, "14"},
        {&textedit::sizten, K::Size, "16"},
        {&textedit::eighteen, K::Size, "18"},
        {&textedit::twenty, K::Size, "20"},
        {&textedit::twetnttwo, K::Size, "22"},
        {&textedit::twentyfour, K::Size, "24"},
        {&textedit::twentysix, K::Size, "26"},
        {&textedit::twentyeight, K::Size, "28"},
        {&textedit::thirtysix, K::Size, "36"},
        {&textedit::fourtyeight, K::Size, "48"},
        {&textedit::seventytwo, K::Size, "72"},
        {&textedit::reg, K::Bold, "false"},
        {&textedit::bold, K::Bold, "true"},
        {&textedit::blk, K::Color, "0"},
        {&textedit::blu, K::Color, "16711680"},
        {&textedit::rdf, K::Color, "255"},
    };
    return all;
}
