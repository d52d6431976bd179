#pragma once
// The commands of the Font menu and the value each records.

#include "editor/textedit.h"

#include <QList>
#include <QString>

struct FontCommand {
    pw::Menu* textedit::*item;
    enum Kind { Name, Size, Bold, Color } kind;
    QString stored;
};
const QList<FontCommand>& fontCommands();
