#pragma once
// Finding a row in the dialogs' lists, and the editor's menu keys, as the
// tests drive them.

#include <QString>

class textedit;
namespace pw {
class FileList;
class FolderList;
} // namespace pw

// The row of a name in a file list, or of a folder in a folder list; -1
// when it is not listed.
int rowOf(pw::FileList* list, const QString& name);
int rowOf(pw::FolderList* list, const QString& folder);

// A menu key (Ctrl and a letter) typed into the text area with the editor
// as the active window; false, and no key, when it could not be made active.
[[nodiscard]] bool pressCtrl(textedit& w, char letter);
