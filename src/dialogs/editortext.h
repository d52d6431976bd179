#pragma once
// The one thing the file dialogs use of the editor window: its text area,
// which Open fills and Save As reads. It is reached at the moment of use,
// through the editor's default instance, so that a dialog used after the
// editor window was closed makes a fresh one (whose Form_Load runs). The
// editor window's code says how to reach it; the dialogs never include it.

namespace pw {
class TextBox;
}

namespace dialogs {

using EditorTextArea = pw::TextBox& (*)();

// Set once by the editor window's code.
void setEditorTextArea(EditorTextArea reach);
// The editor's text area; throws OperationError in a program without an
// editor window.
pw::TextBox& editorTextArea();

} // namespace dialogs
