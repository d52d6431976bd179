#include "editortext.h"

#include "platform/desktop/failure.h"

namespace {
dialogs::EditorTextArea g_editorTextArea = nullptr;
}

void dialogs::setEditorTextArea(EditorTextArea reach) {
    g_editorTextArea = reach;
}

pw::TextBox& dialogs::editorTextArea() {
    if (!g_editorTextArea)
        throw pw::OperationError(QStringLiteral("This program has no editor window"));
    return g_editorTextArea();
}
