#pragma once
// The soak run: its state, the actions a user takes through the real windows
// (soak/actions.cpp) and the check after each one (soak/checks.cpp); the test
// cases that drive it are in tst_soak.cpp.

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "embedded/packages.h"
#include "platform/controls/combobox.h"
#include "platform/controls/controls.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/controls/units.h"
#include "platform/files/olecontainer.h"
#include "platform/files/seqfile.h"
#include "platform/print/printer.h"
#include "platform/webview/webview.h"
#include "soak/model.h"
#include "support/filetext.h"
#include "support/fontcommands.h"
#include "support/lists.h"
#include "support/popup.h"
#include "support/recorder.h"
#include "support/tray_recorder.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QLineEdit;

using namespace soak;

class SoakTest : public QObject {
    Q_OBJECT

    QTemporaryDir root;  // the run's folder, the current one
    QTemporaryDir aside; // opened packages and printed pages
    Recorder* rec = nullptr;
    TrayRecorder* tray = nullptr;
    std::unique_ptr<pw::PdfFileOutput> pdf;

    QRandomGenerator rng;
    quint32 seed = 0;
    Model m;
    QStringList expectedEvents;
    std::vector<RecordedBox> expectedBoxes;
    QString failureMention; // what the one critical message expected must name
    std::deque<QString> recent;
    QMap<QString, int> counts;
    QString calculator; // the one that runs, empty when none is installed

    int pick(int n) { return int(rng.bounded(quint32(n))); }
    bool chance(int percent) { return pick(100) < percent; }
    template <class T> const T& any(const QList<T>& list) { return list[pick(int(list.size()))]; }

    // Notes an action for the summary (by kind) and for the history.
    void note(const QString& kind, const QString& detail = {});
    QString history() const;

    QString folderPath(const QString& folder) const;
    textedit& editor() { return textedit::instance(); }

    void expectFailure(const QString& mention);
    void expectBox(const QString& text, int style, const QString& title);

    // ---------------------------------------------------------- typing

    void typeText(const QString& text);
    void actType();
    void actKey();
    void actClipboardKey();

    // Another program puts text on the clipboard.
    void actForeignClipboard();

    // ---------------------------------------------------------- menus

    void trigger(pw::Menu* item) { item->action()->trigger(); }

    void actFont();
    void actEdit();
    void actPrint();
    void actHelpAndDonate();
    void actExitCommand();

    // ---------------------------------------------------------- preview

    void pressView(char letter);
    void actView();
    void actClosePreview();

    // ---------------------------------------------------------- dialogs

    // A dialog's folder list moved to a folder as the user does: its row, Enter.
    void goTo(pw::FolderList* list, const QString& folder);
    void typeInto(QLineEdit* box, const QString& text);
    void actOpen();
    void actSave();
    void actDelete();

    // Another program writes a file into one of the folders, with line
    // breaks of every kind, a NUL and a byte that is not UTF-8; or removes one.
    void actForeignFile();

    // ---------------------------------------------------------- window

    void actMinimise();
    void actTray();
    void actClose();
    void actStart();

    // The program ends by itself once no window is loaded.
    void afterUnload();

    // ---------------------------------------------------------- checks

    QString mismatch();

private slots:
    void initTestCase();
    void cleanupTestCase();

    // What earlier runs found, replayed on their own.
    void keysOnASelectedKeptCharacter();
    void theIconFollowsAWindowGivenANewNativeWindow();
    void randomUserActions_data();
    void randomUserActions();

private:
    // One action, chosen by weight among those the user can take now.
    void step();
};
