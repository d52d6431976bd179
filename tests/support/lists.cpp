#include "support/lists.h"

#include "editor/textedit.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"

#include <QDir>
#include <QTest>

int rowOf(pw::FileList* list, const QString& name) {
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->List(i) == name)
            return i;
    return -1;
}

int rowOf(pw::FolderList* list, const QString& folder) {
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->List(i) == QDir::toNativeSeparators(folder))
            return i;
    return -1;
}

bool pressCtrl(textedit& w, char letter) {
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return false;
    QTest::keyClick(w.Text1, Qt::Key(Qt::Key_A + (letter - 'A')), Qt::ControlModifier);
    return true;
}
