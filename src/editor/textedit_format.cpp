#include "editor/pending.h"
#include "editor/textedit.h"

void textedit::mssfg_Click() {
    commandPending("mssfg");
}
void textedit::mss_Click() {
    commandPending("mss");
}
void textedit::msg_Click() {
    commandPending("msg");
}
void textedit::msm_Click() {
    commandPending("msm");
}
void textedit::msans_Click() {
    commandPending("msans");
}
void textedit::xligh_Click() {
    commandPending("xligh");
}
void textedit::eight_Click() {
    commandPending("eight");
}
void textedit::nine_Click() {
    commandPending("nine");
}
void textedit::ten_Click() {
    commandPending("ten");
}
void textedit::elebv_Click() {
    commandPending("elebv");
}
void textedit::twelve_Click() {
    commandPending("twelve");
}
void textedit::fourte_Click() {
    commandPending("fourte");
}
void textedit::sizten_Click() {
    commandPending("sizten");
}
void textedit::eighteen_Click() {
    commandPending("eighteen");
}
void textedit::twenty_Click() {
    commandPending("twenty");
}
void textedit::twetnttwo_Click() {
    commandPending("twetnttwo");
}
void textedit::twentyfour_Click() {
    commandPending("twentyfour");
}
void textedit::twentysix_Click() {
    commandPending("twentysix");
}
void textedit::twentyeight_Click() {
    commandPending("twentyeight");
}
void textedit::thirtysix_Click() {
    commandPending("thirtysix");
}
void textedit::fourtyeight_Click() {
    commandPending("fourtyeight");
}
void textedit::seventytwo_Click() {
    commandPending("seventytwo");
}
void textedit::reg_Click() {
    commandPending("reg");
}
void textedit::bold_Click() {
    commandPending("bold");
}
void textedit::blk_Click() {
    commandPending("blk");
}
void textedit::blu_Click() {
    commandPending("blu");
}
void textedit::rdf_Click() {
    commandPending("rdf");
}
