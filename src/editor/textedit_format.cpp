// The Font menu. Each command records its choice as text in the window's
// format settings and then converts that text and applies it to the whole text
// area; the text, the selection and the focus are left alone. Size 28 only
// records its size, so the next print uses 28 points while the screen keeps
// the size it had.

#include "editor/formatvalues.h"
#include "editor/textedit.h"
#include "platform/textbox.h"

// Font > Font
void textedit::mssfg_Click() {
    CurrentFontName = QStringLiteral("Ms Sans Serif");
    Text1->setFontName(CurrentFontName);
}
void textedit::mss_Click() {
    CurrentFontName = QStringLiteral("Ms Serif");
    Text1->setFontName(CurrentFontName);
}
void textedit::msg_Click() {
    CurrentFontName = QStringLiteral("Ms Gothic");
    Text1->setFontName(CurrentFontName);
}
void textedit::msm_Click() {
    CurrentFontName = QStringLiteral("Ms Mincho");
    Text1->setFontName(CurrentFontName);
}
void textedit::msans_Click() {
    CurrentFontName = QStringLiteral("MVSans");
    Text1->setFontName(CurrentFontName);
}
void textedit::xligh_Click() {
    CurrentFontName = QStringLiteral("NapoliSerial-Xlight");
    Text1->setFontName(CurrentFontName);
}

// Font > Size
void textedit::eight_Click() {
    CurrentFontSize = QStringLiteral("8");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::nine_Click() {
    CurrentFontSize = QStringLiteral("9");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::ten_Click() {
    CurrentFontSize = QStringLiteral("10");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::elebv_Click() {
    CurrentFontSize = QStringLiteral("11");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::twelve_Click() {
    CurrentFontSize = QStringLiteral("12");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::fourte_Click() {
    CurrentFontSize = QStringLiteral("14");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::sizten_Click() {
    CurrentFontSize = QStringLiteral("16");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::eighteen_Click() {
    CurrentFontSize = QStringLiteral("18");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::twenty_Click() {
    CurrentFontSize = QStringLiteral("20");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::twetnttwo_Click() {
    CurrentFontSize = QStringLiteral("22");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::twentyfour_Click() {
    CurrentFontSize = QStringLiteral("24");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::twentysix_Click() {
    CurrentFontSize = QStringLiteral("26");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::twentyeight_Click() {
    CurrentFontSize = QStringLiteral("28");
}
void textedit::thirtysix_Click() {
    CurrentFontSize = QStringLiteral("36");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::fourtyeight_Click() {
    CurrentFontSize = QStringLiteral("48");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}
void textedit::seventytwo_Click() {
    CurrentFontSize = QStringLiteral("72");
    Text1->setFontSize(pw::toSingle(CurrentFontSize));
}

// Font > Type
void textedit::reg_Click() {
    CurrentBold = QStringLiteral("false");
    Text1->setFontBold(pw::toBoolean(CurrentBold));
}
void textedit::bold_Click() {
    CurrentBold = QStringLiteral("true");
    Text1->setFontBold(pw::toBoolean(CurrentBold));
}

// Font > Color: colour numbers are 0x00BBGGRR, red in the low byte.
void textedit::blk_Click() {
    CurrentForeColor = QString::number(0); // black
    Text1->setForeColor(pw::toLong(CurrentForeColor));
}
void textedit::blu_Click() {
    CurrentForeColor = QString::number(16711680); // pure blue, 0xFF0000
    Text1->setForeColor(pw::toLong(CurrentForeColor));
}
void textedit::rdf_Click() {
    CurrentForeColor = QString::number(255); // pure red, 0x0000FF
    Text1->setForeColor(pw::toLong(CurrentForeColor));
}
