// What a screen reader and a keyboard user meet: every control of every
// window found in the window's accessibility tree with its name and role, the
// tab orders, and the menu bar reached by Alt or F10 and worked by arrows and
// Enter.

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/controls/combobox.h"
#include "platform/controls/controls.h"
#include "platform/controls/textbox.h"
#include "platform/files/olecontainer.h"
#include "platform/webview/webview.h"
#include "support/popup.h"
#include "support/recorder.h"

#include <QAccessible>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Node {
    QAccessible::Role role;
    QString name;
    bool invisible;
};

// Every object the tree reaches from the window, with its role and name.
void walk(QAccessibleInterface* iface, QHash<QObject*, Node>& found, int depth = 0) {
    if (!iface || !iface->isValid() || depth > 12)
        return;
    if (QObject* o = iface->object())
        found.insert(
            o, {iface->role(), iface->text(QAccessible::Name), bool(iface->state().invisible)});
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), found, depth + 1);
}

QHash<QObject*, Node> tree(QWidget* window) {
    QHash<QObject*, Node> found;
    walk(QAccessible::queryAccessibleInterface(window), found);
    return found;
}

// The control on the window's surface that holds the keyboard focus.
QString focusedControl(pw::Form& w) {
    for (QWidget* f = QApplication::focusWidget(); f; f = f->parentWidget())
        if (f->parentWidget() == w.surface())
            return f->objectName();
    return QStringLiteral("<none>");
}

QStringList tabOrder(pw::Form& w, int steps) {
    QStringList order{focusedControl(w)};
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Tab);
        order << focusedControl(w);
    }
    return order;
}

QString active(QMenuBar* bar) {
    return bar->activeAction() ? bar->activeAction()->text() : QString();
}

void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), k, m);
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Recorder* rec = nullptr;

    using Expected = QList<std::tuple<QString, QAccessible::Role, QString>>;

    // The controls one can see are in the tree, named and with their roles;
    // the expected list names them all, and no other control of the surface
    // is in the tree. What differs, or nothing.
    static QString controlsDiffer(pw::Form& w, const Expected& expected) {
        const auto found = tree(&w);
        if (found.value(&w).role != QAccessible::Window || found.value(&w).name != w.Caption())
            return QStringLiteral("the window is not a window named \"%1\"").arg(w.Caption());
        QStringList controls;
        for (QObject* c : w.surface()->children())
            if (c->isWidgetType() && found.contains(c))
                controls << c->objectName();
        QStringList names;
        for (const auto& [name, role, spoken] : expected) {
            names << name;
            auto* control = w.surface()->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
            if (!control || !found.contains(control))
                return name + QStringLiteral(" is not in the tree");
            if (found[control].role != role || found[control].name != spoken)
                return QStringLiteral("%1 is a %2 named \"%3\"")
                    .arg(name)
                    .arg(int(found[control].role))
                    .arg(found[control].name);
        }
        controls.sort();
        names.sort();
        if (controls != names)
            return QStringLiteral("the tree holds ") + controls.join(u' ');
        return {};
    }

private slots:
    void initTestCase() {
        QVERIFY(QDir::setCurrent(dir.path()));
        pw::OleContainer::setPackageFolder(dir.filePath(QStringLiteral("packages")));
    }
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
    }

    void everyControlHasANameAndARole() {
        using R = QAccessible::Role;
        textedit& editor = textedit::instance();
        // The hidden folder list, the hidden split pane and bar, and the
        // package containers under the text area are not shown to anyone.
        QCOMPARE((controlsDiffer(editor, {{"Text1", R::EditableText, "Text"}})), QString());
        editor.Text1->setHeight(2295);
        editor.WebBrowser1->setVisible(true);
        editor.Shape1->setVisible(true);
        QCOMPARE((controlsDiffer(editor, {{"Text1", R::EditableText, "Text"},
                                          {"WebBrowser1", R::Client, "Web page"},
                                          {"Shape1", R::Separator, "Divider"}})),
                 QString());
        // The containers keep their names for whoever reaches them.
        QCOMPARE(QAccessible::queryAccessibleInterface(editor.OLE6)->text(QAccessible::Name),
                 QStringLiteral("Readme.txt"));
        // The menu bar's items speak their captions; the tray's menu is there
        // but never shown.
        const auto found = tree(&editor);
        for (QAction* a : editor.menuBar()->actions()) {
            QVERIFY2(found.contains(a), qPrintable(a->text()));
            QCOMPARE(found[a].role, QAccessible::MenuItem);
            QCOMPARE(found[a].name, a->text().remove(u'&'));
            QCOMPARE(found[a].invisible, !a->isVisible());
        }
        QVERIFY(found.contains(editor.mssfg->action()));

        QCOMPARE((controlsDiffer(viewhtml::instance(), {{"WebBrowser1", R::Client, "Web page"}})),
                 QString());

        const Expected lists{{"Drive1", R::ComboBox, "Drive"},
                             {"Dir1", R::List, "Folder"},
                             {"File1", R::List, "Files"}};
        QCOMPARE((controlsDiffer(openfile::instance(),
                                 lists + Expected{{"Label1", R::StaticText, "File"},
                                                  {"Text1", R::EditableText, "File"},
                                                  {"Command1", R::Button, "Open"},
                                                  {"Command2", R::Button, "Cancel"}})),
                 QString());
        QCOMPARE((controlsDiffer(delfile::instance(),
                                 lists + Expected{{"Label1", R::StaticText, "File"},
                                                  {"Text1", R::EditableText, "File"},
                                                  {"Command1", R::Button, "Delete File"},
                                                  {"Command2", R::Button, "Cancel"}})),
                 QString());
        savefile& save = savefile::instance();
        QCOMPARE((controlsDiffer(save, {lists[0],
                                        lists[1],
                                        {"Label1", R::StaticText, "File"},
                                        {"Text1", R::EditableText, "File"},
                                        {"Label2", R::StaticText, "Type"},
                                        {"Combo1", R::ComboBox, "Type"},
                                        {"Command1", R::Button, "Save "},
                                        {"Command2", R::Button, "Cancel"}})),
                 QString());

        // A combo box speaks what it shows as its value.
        save.Combo1->setText(QStringLiteral(".html"));
        QCOMPARE(QAccessible::queryAccessibleInterface(save.Combo1)->text(QAccessible::Value),
                 QStringLiteral(".html"));
    }

    void tabMovesThroughTheDialogsInOrder() {
        const QStringList withFiles{"Drive1",   "Dir1",     "File1", "Text1",
                                    "Command1", "Command2", "Drive1"};
        const QList<std::pair<std::function<pw::Form&()>, QStringList>> dialogs{
            {[]() -> pw::Form& { return openfile::instance(); }, withFiles},
            {[]() -> pw::Form& { return delfile::instance(); }, withFiles},
            {[]() -> pw::Form& { return savefile::instance(); },
             {"Drive1", "Dir1", "Text1", "Command1", "Command2", "Combo1", "Drive1"}}};
        for (const auto& [instance, order] : dialogs) {
            pw::Form& dialog = instance();
            dialog.Show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QCOMPARE(tabOrder(dialog, int(order.size()) - 1), order);
            // Ctrl+Tab moves on as Tab does; Ctrl+Shift+Tab goes back.
            key(Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(focusedControl(dialog), order[1]);
            key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(focusedControl(dialog), order[0]);
            dialog.Unload();
        }
    }

    void ctrlTabLeavesTheTextAreaForTheSplitPane() {
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Text1->setText(QStringLiteral("<p>page</p>"));
        // Tab is a character of the text.
        key(Qt::Key_Tab);
        QCOMPARE(focusedControl(w), QStringLiteral("Text1"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("\t<p>page</p>"));
        // Alone on the window, the text area keeps the focus.
        key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(focusedControl(w), QStringLiteral("Text1"));

        key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(w.WebBrowser1->isVisible());
        QTRY_VERIFY(w.WebBrowser1->hasEngine());
        key(Qt::Key_Tab, Qt::ControlModifier);
        QTRY_COMPARE(focusedControl(w), QStringLiteral("WebBrowser1"));
        key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(focusedControl(w), QStringLiteral("Text1"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("\t<p>page</p>"));

        // The preview window opens with the page taking the keys.
        key(Qt::Key_V, Qt::ControlModifier);
        viewhtml* preview = viewhtml::loadedInstance();
        QVERIFY(preview);
        QVERIFY(QTest::qWaitForWindowActive(preview));
        QTRY_COMPARE(focusedControl(*preview), QStringLiteral("WebBrowser1"));
    }

    void menuBarByKeyboard() {
        textedit& w = textedit::instance();
        QMenuBar* bar = w.menuBar();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTRY_COMPARE(focusedControl(w), QStringLiteral("Text1"));

        // A tap of Alt moves into the bar and Esc back to the text. The key
        // goes down with the Alt modifier and comes up without it.
        QTest::keyPress(static_cast<QWidget*>(nullptr), Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(static_cast<QWidget*>(nullptr), Qt::Key_Alt);
        QCOMPARE(active(bar), QStringLiteral("File"));
        QCOMPARE(QApplication::focusWidget(), bar);
        // Left from the first menu wraps to the last one that shows.
        key(Qt::Key_Left);
        QCOMPARE(active(bar), QStringLiteral("Donate"));
        key(Qt::Key_Escape);
        QVERIFY(!bar->activeAction());
        QTRY_COMPARE(focusedControl(w), QStringLiteral("Text1"));
        key(Qt::Key_A);
        QCOMPARE(w.Text1->Text(), QStringLiteral("a"));

        // The title the keyboard is on shows highlighted.
        const QRect file = bar->actionGeometry(w.fl->action());
        const QImage plain = bar->grab(file).toImage();
        key(Qt::Key_F10);
        QCOMPARE(active(bar), QStringLiteral("File"));
        QVERIFY(bar->grab(file).toImage() != plain);
        key(Qt::Key_Escape);
        QTRY_COMPARE(focusedControl(w), QStringLiteral("Text1"));

        // F10, five to the right is Help; Down opens it at "About", the next
        // is "Readme.txt", and Enter opens the packaged readme.
        key(Qt::Key_F10);
        QCOMPARE(active(bar), QStringLiteral("File"));
        for (int i = 0; i < 5; ++i)
            key(Qt::Key_Right);
        QCOMPARE(active(bar), QStringLiteral("Help"));
        key(Qt::Key_Down);
        QTRY_VERIFY(w.hlep->submenu()->isVisible());
        QCOMPARE(w.hlep->submenu()->activeAction(), w.about->action());
        key(Qt::Key_Down);
        QCOMPARE(w.hlep->submenu()->activeAction(), w.redme->action());
        key(Qt::Key_Return);
        QTRY_COMPARE(rec->events,
                     QStringList{"open " + dir.filePath(QStringLiteral("packages/Readme.txt"))});
        QTRY_VERIFY(!w.hlep->submenu()->isVisible());
        QTRY_COMPARE(focusedControl(w), QStringLiteral("Text1"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("a"));

        // F10 again while in the bar leaves it.
        key(Qt::Key_F10);
        QCOMPARE(active(bar), QStringLiteral("File"));
        key(Qt::Key_F10);
        QVERIFY(!bar->activeAction());

        // The hidden tray menu is not reached by its access key, seen once
        // the events the key left were handled.
        key(Qt::Key_S, Qt::AltModifier);
        QVERIFY(postedEventsHandled());
        QVERIFY(!w.mPopupSys->submenu()->isVisible());
        QVERIFY(!bar->activeAction());
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
