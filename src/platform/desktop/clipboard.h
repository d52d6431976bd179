#pragma once
// The system clipboard, plain text only.

#include <QString>

namespace pw {

class Clipboard {
public:
    // Puts text on the clipboard as plain text, in place of what it held.
    static void SetText(const QString& text);
    // The clipboard's plain text; empty when it holds no text.
    static QString GetText();
};

} // namespace pw
