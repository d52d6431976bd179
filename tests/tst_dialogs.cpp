// The Open, Save As and Delete dialogs: their windows, the drive, folder and
// file lists, the text file format through the dialogs, and that a failure
// never destroys the user's text or files.

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "platform/controls/combobox.h"
#include "platform/controls/controls.h"
#include "platform/controls/drivelist.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/controls/units.h"
#include "platform/desktop/failure.h"
#include "platform/files/seqfile.h"
#include "platform/print/progress.h"
#include "support/recorder.h"
#include "support/testfiles.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Recorder* rec = nullptr;
    QString startFolder;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString folder() const { return QDir::toNativeSeparators(dir.path()); }

    // The Open dialog at the test folder with a name typed, "Open" pressed.
    void openThroughDialog(const QString& name) {
        openfile& d = openfile::instance();
        d.Dir1->setPath(folder());
        d.Text1->setText(name);
        d.Command1->click();
    }
    void saveThroughDialog(const QString& name, const QString& type) {
        savefile& d = savefile::instance();
        d.Dir1->setPath(folder());
        d.Text1->setText(name);
        d.Combo1->setText(type);
        d.Command1->click();
    }
    // The one critical message a failure shows; empty when there was none.
    QString failureShown() {
        if (rec->boxes.size() != 1 || rec->boxes[0].style != pw::MsgBoxCritical)
            return {};
        return rec->boxes[0].text;
    }

private slots:
    // A long read shows its progress and can be cancelled: the editor keeps
    // its text and the dialog stays open, with no message.
    void aLongReadShowsProgressAndCanBeCancelled() {
        pw::Progress::setShowAfter(0);
        const auto restore = qScopeGuard([] { pw::Progress::setShowAfter(500); });
        QVERIFY(writeAll(dir.filePath(QStringLiteral("long.txt")),
                         QByteArray(4 << 20, 'x') + "\r\nend"));
        textedit::instance().Text1->setText(QStringLiteral("kept"));
        openfile& d = openfile::instance();
        d.Dir1->setPath(dir.path());
        d.Text1->setText(QStringLiteral("long.txt"));
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            shown = progress != nullptr;
            if (progress)
                progress->cancel();
        });
        d.Command1->click();
        QVERIFY(shown);
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("kept"));
        QCOMPARE(openfile::loadedInstance(), &d);
        QVERIFY(rec->boxes.empty());

        d.Command1->click(); // not cancelled: read whole
        QCOMPARE(textedit::instance().Text1->Text().size(), (4 << 20) + 7);
        QVERIFY(!openfile::loadedInstance());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void initTestCase() {
        QVERIFY(dir.isValid());
        startFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    void init() {
        rec = new Recorder;
        pw::setCodePage(QByteArray());
    }
    void cleanup() {
        unloadAllWindows();
        delete rec;
        // Each case starts with an empty folder (which stays the current one).
        for (const QFileInfo& e :
             QDir(dir.path())
                 .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            if (e.isDir())
                QDir(e.filePath()).removeRecursively();
            else
                QFile::remove(e.filePath());
        }
        // No list moved the process's current folder.
        QCOMPARE(QDir::currentPath(), dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(startFolder); }

    // Each window: its caption, every control inside it and none over
    // another, each label beside its box (its caption ends before the box,
    // the two on one row), the lists above the name and the two buttons side
    // by side at the bottom.
    void windowsAreLaidOutAsDesigned_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("labels"); // label:caption:box
        QTest::addColumn<QStringList>("column"); // top to bottom
        QTest::newRow("openfile") << "Open file" << QStringList{"Open", "Cancel"}
                                  << QStringList{"Label1:File:Text1"}
                                  << QStringList{"Drive1", "Dir1", "File1", "Text1", "Command1"};
        QTest::newRow("savefile") << "Save File As" << QStringList{"Save ", "Cancel"}
                                  << QStringList{"Label1:File:Text1", "Label2:Type:Combo1"}
                                  << QStringList{"Drive1", "Dir1", "Text1", "Combo1", "Command1"};
        QTest::newRow("delfile") << "Delete File" << QStringList{"Delete File", "Cancel"}
                                 << QStringList{"Label1:File:Text1"}
                                 << QStringList{"Drive1", "Dir1", "File1", "Text1", "Command1"};
    }
    void windowsAreLaidOutAsDesigned() {
        QFETCH(QString, caption);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, column);
        const QString window = QTest::currentDataTag();
        pw::Form* w = window == "openfile"   ? static_cast<pw::Form*>(&openfile::instance())
                      : window == "savefile" ? static_cast<pw::Form*>(&savefile::instance())
                                             : static_cast<pw::Form*>(&delfile::instance());
        QCOMPARE(w->Caption(), caption);
        QVERIFY(
            !(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const auto control = [&](const QString& name) {
            return w->surface()->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        };
        // What each control covers; a label only as far as its caption.
        QMap<QString, QRect> covers;
        for (QWidget* c :
             w->surface()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (c->objectName().isEmpty() || c->isHidden())
                continue;
            QVERIFY2(w->surface()->rect().contains(c->geometry()), qPrintable(c->objectName()));
            QRect r = c->geometry();
            if (auto* label = qobject_cast<QLabel*>(c))
                r.setWidth(label->fontMetrics().horizontalAdvance(label->text()) + 1);
            covers.insert(c->objectName(), r);
        }
        QVERIFY(covers.size() >= 7);
        for (auto a = covers.begin(); a != covers.end(); ++a)
            for (auto b = std::next(a); b != covers.end(); ++b)
                QVERIFY2(!a.value().intersects(b.value()),
                         qPrintable(a.key() + " over " + b.key()));
        for (const QString& entry : labels) {
            const QStringList parts = entry.split(u':');
            auto* label = qobject_cast<QLabel*>(control(parts[0]));
            QWidget* box = control(parts[2]);
            QVERIFY2(label && box, qPrintable(entry));
            QCOMPARE(label->text(), parts[1]);
            QVERIFY2(covers[parts[0]].right() < box->x(), qPrintable(entry));
            const int middle = covers[parts[0]].center().y();
            QVERIFY2(middle > box->y() && middle < box->geometry().bottom(), qPrintable(entry));
        }
        for (qsizetype i = 1; i < column.size(); ++i) {
            QWidget *above = control(column[i - 1]), *below = control(column[i]);
            QVERIFY2(above && below, qPrintable(column[i]));
            QVERIFY2(above->geometry().bottom() < below->y(), qPrintable(column[i]));
            QCOMPARE(below->x() <= above->x() + above->width() / 2, true);
        }
        auto* first = qobject_cast<QAbstractButton*>(control("Command1"));
        auto* second = qobject_cast<QAbstractButton*>(control("Command2"));
        QVERIFY(first && second);
        QCOMPARE(QStringList({first->text(), second->text()}), buttons);
        QCOMPARE(first->y(), second->y());
        QCOMPARE(first->size(), second->size());
        QVERIFY(first->geometry().right() < second->x());
        for (auto* box : w->surface()->findChildren<QLineEdit*>())
            QCOMPARE(box->text(), QString());
    }

    // The caption face, the buttons that Enter does not press and the types
    // offered (the tab order: tst_accessibility).
    void dialogsKeepTheirFaces() {
        openfile& o = openfile::instance();
        const QFont font = o.Label1->font();
        QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(font.pointSizeF(), 9.75);
        QCOMPARE(font.weight(), QFont::Bold);
        QCOMPARE(o.Text1->font(), font);
        QCOMPARE(o.Command1->font(), font);
        QVERIFY(o.Dir1->font() != font);
        QVERIFY(!o.Command1->isDefault() && !o.Command1->autoDefault());

        savefile& s = savefile::instance();
        QCOMPARE(s.Combo1->font(), font);
        QStringList types;
        for (int i = 0; i < s.Combo1->ListCount(); ++i)
            types << s.Combo1->List(i);
        QCOMPARE(types, QStringList({".txt", ".html", ".pl", ".js", ".php"}));
    }

    void menuShowsOneInstanceUntilUnloaded() {
        textedit& w = textedit::instance();
        w.sav->action()->trigger();
        savefile* first = savefile::loadedInstance();
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->Dir1->Path(), folder());
        first->Text1->setText(QStringLiteral("typed"));
        w.sav->action()->trigger();
        QCOMPARE(savefile::loadedInstance(), first);
        QCOMPARE(first->Text1->Text(), QStringLiteral("typed"));
        QCOMPARE(first->Combo1->ListCount(), 5);

        first->Command2->click(); // Cancel
        QVERIFY(!savefile::loadedInstance());
        QCOMPARE(readAll(path("typed")), QByteArray("<missing>"));
        w.sav->action()->trigger();
        QVERIFY(savefile::loadedInstance());
        QCOMPARE(savefile::instance().Text1->Text(), QString());

        w.opd->action()->trigger();
        w.ddel->action()->trigger();
        QVERIFY(openfile::loadedInstance() && delfile::loadedInstance());
        QVERIFY(rec->boxes.empty());
    }

    void loadingFollowsTheLineRule_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("no final break") << QByteArray("a\r\nb") << "a\r\nb\r\n";
        QTest::newRow("final crlf") << QByteArray("a\r\nb\r\n") << "a\r\nb\r\n";
        QTest::newRow("empty line") << QByteArray("a\r\n\r\n") << "a\r\n\r\n";
        QTest::newRow("lone cr") << QByteArray("a\rb") << "a\r\nb\r\n";
        QTest::newRow("lone lf") << QByteArray("a\nb") << "a\nb\r\n";
        QTest::newRow("empty file") << QByteArray() << "";
    }

    void loadingFollowsTheLineRule() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QVERIFY(writeAll(path("in.txt"), bytes));
        textedit::instance().Text1->setText(QStringLiteral("old text"));
        openThroughDialog(QStringLiteral("in.txt"));
        QCOMPARE(textedit::instance().Text1->Text(), text);
        QVERIFY(!openfile::loadedInstance());
        QVERIFY(rec->boxes.empty());

        // Saved back unedited, the file grows by exactly one CR LF.
        saveThroughDialog(QStringLiteral("out"), QStringLiteral(".txt"));
        QByteArray expected = text.toUtf8() + "\r\n";
        QCOMPARE(readAll(path("out.txt")), expected);
        QCOMPARE(rec->events, QStringList({"beep", "msgbox"}));
        QCOMPARE(rec->boxes[0].text, QStringLiteral("File saved successfully!"));
        QCOMPARE(rec->boxes[0].title, QStringLiteral("File Saved"));
        QCOMPARE(rec->boxes[0].style, int(pw::MsgBoxExclamation));
        QVERIFY(!savefile::loadedInstance());
    }

    void bytesSurviveOpenAndSave_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("marked"); // shown with replacement marks
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            if (b != '\r')
                every += char(b);
        QTest::newRow("every byte value") << every + "\r\n" << true;
        QTest::newRow("nul") << QByteArray("a\0b\0\r\n\0\r\n", 9) << false;
        QTest::newRow("no-break space and more")
            << QByteArray("a\xc2\xa0"
                          "b gr\xc3\xbc\xc3\x9f"
                          "e \xe2\x82\xac \xf0\x9f\x98\x80 \xf0\x9f\x92\xa9 \xf0\x9f\x92\x80\r\n")
            << false;
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbfx\r\n") << false;
        QTest::newRow("latin-1 text") << QByteArray("caf\xe9 \xe0 la cr\xe8me\r\n") << true;
        QTest::newRow("broken sequences")
            << QByteArray("\xc3\r\n\xe2\x82\r\n\xed\xa0\x80\xc0\xaf\xf4\x90\x80\x80\xff\r\n")
            << true;
    }

    void bytesSurviveOpenAndSave() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, marked);
        QVERIFY(writeAll(path("in.bin"), bytes));
        openThroughDialog(QStringLiteral("in.bin"));
        QCOMPARE(textedit::instance()
                     .Text1->shownText(0, textedit::instance().Text1->length())
                     .contains(QChar(0xFFFD)),
                 marked);
        saveThroughDialog(QStringLiteral("out.bin"), QString());
        QCOMPARE(readAll(path("out.bin")), bytes + "\r\n");
        QCOMPARE(rec->events, QStringList({"beep", "msgbox"}));
    }

    void saveJoinsFolderNameAndType_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("file");
        QTest::newRow("name and type") << "notes"
                                       << ".txt"
                                       << "notes.txt";
        QTest::newRow("type in name") << "notes.txt"
                                      << ""
                                      << "notes.txt";
        QTest::newRow("type twice") << "notes.txt"
                                    << ".txt"
                                    << "notes.txt.txt";
        QTest::newRow("no dot added") << "notes"
                                      << "htm"
                                      << "noteshtm";
        QTest::newRow("subfolder") << "sub/inner"
                                   << ".js"
                                   << "sub/inner.js";
    }

    void saveJoinsFolderNameAndType() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, file);
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        QVERIFY(writeAll(path(file), "an older, longer content that is replaced whole"));
        textedit::instance().Text1->setText(QStringLiteral("abc"));
        saveThroughDialog(name, type);
        QCOMPARE(readAll(path(file)), QByteArray("abc\r\n"));
        QVERIFY(QFile::remove(path(file)));
    }

    // The desktop's message boxes are wide enough for their whole title,
    // also where the text is short.
    void messageBoxesShowTheirWholeTitle() {
        pw::setServices(nullptr);
        const auto restore = qScopeGuard([this] { pw::setServices(rec); });
        QFont titleFace = QApplication::font("QMdiSubWindowTitleBar");
        titleFace.setBold(true);
        const std::pair<const char*, const char*> boxes[] = {
            {"File Deleted!", "File Deleted"}, {"File saved successfully!", "File Saved"}};
        for (const auto& [text, title] : boxes) {
            int width = 0;
            QTimer::singleShot(0, this, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    width = box->width();
                    box->accept();
                }
            });
            pw::services().msgBox(QString::fromLatin1(text), pw::MsgBoxCritical,
                                  QString::fromLatin1(title));
            // Room for the title, the window's icon and three buttons.
            QVERIFY2(width >= QFontMetrics(titleFace).horizontalAdvance(title) + 4 * 24,
                     qPrintable(QStringLiteral("%1 pixels for \"%2\"").arg(width).arg(title)));
        }
    }

    // A name that names a folder, not a file in it, would make a hidden file
    // of the type alone; it is refused and nothing is written.
    void saveRefusesANameThatNamesNoFile_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"", "sub/", ".", "..", "sub/.."})
            QTest::addRow("\"%s\"", name) << QString(name);
    }
    void saveRefusesANameThatNamesNoFile() {
        QFETCH(QString, name);
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
        saveThroughDialog(name, QStringLiteral(".txt"));
        QVERIFY2(failureShown().contains(QStringLiteral("Type a name for the file")),
                 qPrintable(failureShown()));
        QCOMPARE(rec->events, QStringList{"msgbox"}); // no beep, no success
        QVERIFY(savefile::loadedInstance());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"sub"});
        QVERIFY(QDir(path("sub")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    // A name typed as an absolute path is that file, not one in the folder
    // shown.
    void anAbsoluteNameIsUsedAsItStands() {
        QTemporaryDir other;
        QVERIFY(other.isValid());
        const QString source = QDir(other.path()).filePath(QStringLiteral("in.txt"));
        QVERIFY(writeAll(source, "elsewhere\r\n"));
        openThroughDialog(QDir::toNativeSeparators(source));
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("elsewhere\r\n"));
        QVERIFY(rec->boxes.empty());

        const QString target = QDir(other.path()).filePath(QStringLiteral("out"));
        saveThroughDialog(QDir::toNativeSeparators(target), QStringLiteral(".txt"));
        QCOMPARE(readAll(target + QStringLiteral(".txt")), QByteArray("elsewhere\r\n\r\n"));
        QCOMPARE(rec->events, QStringList({"beep", "msgbox"}));
        QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    // One click or one key on a file selects it and raises File1_Click once:
    // the Open dialog's name box takes the name at once, and the Delete
    // dialog deletes the file picked by one click.
    void aFileIsPickedByOneClickOrKey() {
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            QVERIFY(writeAll(path(name), "x"));
        openfile& o = openfile::instance();
        o.Dir1->setPath(folder());
        o.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&o));
        int clicks = 0;
        connect(o.File1, &pw::FileList::Click, this, [&] { ++clicks; });
        const auto click = [](pw::FileList* list, int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(row, 0)).center());
        };
        click(o.File1, 1);
        QCOMPARE(o.Text1->Text(), QStringLiteral("b.txt"));
        QCOMPARE(clicks, 1);
        QTest::keyClick(o.File1, Qt::Key_Down);
        QCOMPARE(o.Text1->Text(), QStringLiteral("c.txt"));
        QCOMPARE(clicks, 2);

        delfile& d = delfile::instance();
        d.Dir1->setPath(folder());
        d.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        click(d.File1, 0);
        QCOMPARE(d.File1->FileName(), QStringLiteral("a.txt"));
        d.Command1->click();
        QVERIFY(!QFile::exists(path("a.txt")));
        QVERIFY(QFile::exists(path("b.txt")));
    }

    void openingAtARootFolderJoinsTwoSeparators() {
        // The root's path ends in its separator; the name gets another one.
        QVERIFY(writeAll(path("root.txt"), "from the root\r\n"));
        openfile& d = openfile::instance();
        d.Dir1->setPath(QDir::rootPath());
        QCOMPARE(d.Dir1->Path(), QDir::toNativeSeparators(QDir::rootPath()));
        d.Text1->setText(QDir(QDir::rootPath()).relativeFilePath(path("root.txt")));
        d.Command1->click();
        QVERIFY2(rec->boxes.empty(), qPrintable(failureShown()));
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("from the root\r\n"));
    }

    void failingOpenKeepsTheText_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty name") << "";
        QTest::newRow("no such file") << "missing.txt";
        QTest::newRow("a folder") << "sub";
    }

    void failingOpenKeepsTheText() {
        QFETCH(QString, name);
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        textedit::instance().Text1->setText(QStringLiteral("precious\r\ntext"));
        openThroughDialog(name);
        QVERIFY2(!failureShown().isEmpty(), "one critical message");
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("precious\r\ntext"));
        QVERIFY(openfile::loadedInstance());
    }

    void openingCreatesAClosedEditorAfresh() {
        QVERIFY(writeAll(path("a.txt"), "fresh"));
        openfile::instance(); // the editor is not loaded
        QVERIFY(!textedit::loadedInstance());
        openThroughDialog(QStringLiteral("a.txt"));
        QVERIFY(textedit::loadedInstance());
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("fresh\r\n"));
    }

    void failingSaveChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mentioned");
        QTest::newRow("no name, no type") << ""
                                          << ""
                                          << "x"
                                          << "folder";
        QTest::newRow("missing folder") << "no/such/x"
                                        << ".txt"
                                        << "x"
                                        << "x.txt";
        QTest::newRow("name of a folder") << "sub"
                                          << ""
                                          << "x"
                                          << "folder";
        QTest::newRow("unstorable character")
            << "keep"
            << ".txt" << QString::fromUtf16(u"ok\r\nab\xD800") << "U+D800";
    }

    void failingSaveChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, mentioned);
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        QVERIFY(writeAll(path("keep.txt"), "original"));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        textedit::instance().Text1->setText(text);
        saveThroughDialog(name, type);
        QVERIFY2(failureShown().contains(mentioned), qPrintable(failureShown()));
        QVERIFY(!rec->events.contains(QStringLiteral("beep")));
        QVERIFY(savefile::loadedInstance());
        QCOMPARE(readAll(path("keep.txt")), QByteArray("original"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QVERIFY(savefile::instance().SaveText.isEmpty());
    }

    void otherCodePagesRefuseWhatTheyCannotStore() {
        if (!pw::setCodePage("CP1252"))
            QSKIP("The system cannot convert CP1252.");
        QVERIFY(writeAll(path("keep.txt"), "original"));
        textedit::instance().Text1->setText(
            QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac\r\nl\xc4\x81"));
        saveThroughDialog(QStringLiteral("keep"), QStringLiteral(".txt"));
        QVERIFY2(failureShown().contains(QStringLiteral("U+0101")), qPrintable(failureShown()));
        QVERIFY(failureShown().contains(QStringLiteral("line 2, column 2")));
        QCOMPARE(readAll(path("keep.txt")), QByteArray("original"));

        rec->boxes.clear();
        rec->events.clear();
        // Bytes the code page leaves undefined (0x81) come back unchanged.
        QVERIFY(writeAll(path("in.txt"), "caf\xe9 \x80 \x81\r\n"));
        openThroughDialog(QStringLiteral("in.txt"));
        QCOMPARE(textedit::instance().Text1->Text().left(6),
                 QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"));
        saveThroughDialog(QStringLiteral("keep"), QStringLiteral(".txt"));
        QCOMPARE(readAll(path("keep.txt")), QByteArray("caf\xe9 \x80 \x81\r\n\r\n"));
    }

    void deleteRemovesTheSelectedFileOnly() {
        QVERIFY(writeAll(path("a.txt"), "a"));
        QVERIFY(writeAll(path("b.txt"), "b"));
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        delfile& d = delfile::instance();
        QVERIFY(!textedit::loadedInstance());
        d.Dir1->setPath(folder());

        // With no file selected the path names the folder: refused.
        d.Command1->click();
        QVERIFY(!failureShown().isEmpty());
        QVERIFY(QFileInfo(dir.path()).isDir());
        QVERIFY(!rec->events.contains(QStringLiteral("beep")));

        // The name box shows the selection, whatever is typed; a click on the
        // list leaves it as it is.
        QTest::keyClicks(d.Text1, QStringLiteral("z"));
        QCOMPARE(d.Text1->Text(), QString());
        d.File1->setListIndex(d.File1->ListCount() - 1);
        QCOMPARE(d.File1->FileName(), QStringLiteral("b.txt"));
        QCOMPARE(d.Text1->Text(), QString());
        QTest::keyClicks(d.Text1, QStringLiteral("z"));
        QCOMPARE(d.Text1->Text(), QStringLiteral("b.txt"));

        rec->boxes.clear();
        rec->events.clear();
        d.Command1->click();
        QVERIFY(!QFile::exists(path("b.txt")));
        QVERIFY(QFile::exists(path("a.txt")));
        QCOMPARE(rec->events, QStringList({"beep", "msgbox"}));
        QCOMPARE(rec->boxes[0].text, QStringLiteral("File Deleted!"));
        QCOMPARE(rec->boxes[0].title, QStringLiteral("File Deleted"));
        QCOMPARE(rec->boxes[0].style, int(pw::MsgBoxCritical));
        QVERIFY(delfile::loadedInstance());
        QCOMPARE(d.File1->FileName(), QStringLiteral("b.txt")); // still listed

        // Deleting it again fails plainly; the editor was never involved.
        rec->boxes.clear();
        rec->events.clear();
        d.Command1->click();
        QVERIFY(failureShown().contains(QStringLiteral("does not exist")));
        QVERIFY(!textedit::loadedInstance());
    }

    void drivesFoldersAndFilesFormAChain() {
        QDir(dir.path()).mkpath(QStringLiteral("sub/inner"));
        QDir(dir.path()).mkpath(QStringLiteral(".hidden"));
        QVERIFY(writeAll(path("sub/B.txt"), "b in sub"));
        QVERIFY(writeAll(path("sub/a.txt"), "a in sub"));
        QVERIFY(writeAll(path("sub/.secret"), ""));
        QVERIFY(writeAll(path("a.txt"), "a at the top"));

        openfile& d = openfile::instance();
        QCOMPARE(d.Drive1->Drive().root(), pw::DriveList::driveOf(dir.path()).root());
        QCOMPARE(d.Dir1->Path(), folder());
        QCOMPARE(d.File1->Path(), folder());

        // The folder list: the path from the root down, then the subfolders.
        const int depth = int(QDir::fromNativeSeparators(folder()).count(QLatin1Char('/')));
        QCOMPARE(d.Dir1->ListCount(), depth + 2); // root .. folder, then "sub"
        QCOMPARE(d.Dir1->List(0), QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(d.Dir1->List(depth), folder());
        QCOMPARE(d.Dir1->List(depth + 1), QDir::toNativeSeparators(path("sub")));

        // Enter on "sub" opens it; the file list follows, hidden files left
        // out, the name typed kept.
        d.Text1->setText(QStringLiteral("a.txt"));
        d.Dir1->setCurrentRow(depth + 1);
        QTest::keyClick(d.Dir1, Qt::Key_Return);
        QCOMPARE(d.Dir1->Path(), QDir::toNativeSeparators(path("sub")));
        QCOMPARE(d.File1->Path(), d.Dir1->Path());
        QCOMPARE(d.File1->ListCount(), 2);
        QCOMPARE(d.File1->List(0), QStringLiteral("a.txt"));
        QCOMPARE(d.File1->List(1), QStringLiteral("B.txt"));
        QCOMPARE(d.File1->FileName(), QString());
        QCOMPARE(d.Text1->Text(), QStringLiteral("a.txt"));

        // A click on a file names it; "Open" reads it from the folder shown.
        d.File1->setListIndex(1);
        QCOMPARE(d.Text1->Text(), QStringLiteral("B.txt"));
        d.Text1->setText(QStringLiteral("inner/../a.txt"));
        d.Command1->click();
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("a in sub\r\n"));

        // Choosing the drive again brings the lists back to the current folder.
        openfile& again = openfile::instance();
        again.Dir1->setPath(path("sub/inner"));
        pw::dispatch("Drive1_Change", [&] { again.Drive1_Change(); });
        QCOMPARE(again.Dir1->Path(), folder());
        QCOMPARE(again.File1->ListCount(), 1);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
