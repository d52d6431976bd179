#pragma once
// A second window of the program, so that closing the editor window does not
// end it.

#include "platform/controls/form.h"

class OtherWindow : public pw::Form {
public:
    OtherWindow() : pw::Form(1500, 1500, false) { setCaption(QStringLiteral("Other")); }
    static OtherWindow& instance() { return pw::DefaultInstance<OtherWindow>::get(); }
    void Form_Load() override { Show(); }
};
