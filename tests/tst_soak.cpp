// A long random run of what a user does, driven through the real windows:
// typing, moving and selecting, the clipboard keys, every menu command, the
// three dialogs, the preview, the notification icon's codes, minimising and
// restoring, closing and starting again. A simple model follows each action;
// after each one the text, the caret, the format, the layout, the open windows
// and the files on the disk must be what the model predicts, and every
// message, beep and desktop call must be one the model expected.
//
// The run is seeded and bounded: PAGEWICK_SOAK_SEED repeats a run (the seed
// is printed), PAGEWICK_SOAK_ACTIONS sets the number of actions (5000) and
// PAGEWICK_SOAK_SECONDS the time after which it stops early (240).

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "embedded/packages.h"
#include "platform/combobox.h"
#include "platform/controls.h"
#include "platform/filelist.h"
#include "platform/folderlist.h"
#include "platform/olecontainer.h"
#include "platform/printer.h"
#include "platform/seqfile.h"
#include "platform/textbox.h"
#include "platform/units.h"
#include "platform/webview.h"
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
#include <optional>

namespace {

// ------------------------------------------------------------------ model

// What the program should hold, kept as simply as possible.
struct Model {
    // The text as the text area holds it: one entry per step of the caret
    // (a CR LF line break, a surrogate pair, or one character).
    QStringList units;
    int caret = 0;
    int anchor = 0;

    QString fontName, bold, size, color;
    QString shownName;
    float shownSize = 8;
    bool shownBold = false;
    qint32 shownColor = 0;

    bool loaded = false; // the editor window
    bool hidden = false;
    bool split = false;
    bool previewOpen = false;
    bool deleteOpen = false;
    QString deleteFolder;      // "" (the run's folder) or "sub"
    QStringList deleteListing; // what its file list showed when last filled

    QString clipboard;
    bool clipboardHasText = false;

    // The files of the run's folder and its subfolder "sub", by relative path.
    QMap<QString, QByteArray> files;

    void start() {
        loaded = true;
        hidden = split = false;
        units.clear();
        caret = anchor = 0;
        fontName = shownName = QStringLiteral("Ms Sans Serif");
        bold = QStringLiteral("False");
        size = QStringLiteral("8");
        color = QStringLiteral("0");
        shownSize = 8;
        shownBold = false;
        shownColor = 0;
    }

    QString text() const { return units.join(QString()); }
    int selStart() const { return std::min(caret, anchor); }
    int selEnd() const { return std::max(caret, anchor); }
    QString selected() const {
        return units.mid(selStart(), selEnd() - selStart()).join(QString());
    }
    void replaceSelection(const QStringList& with) {
        const int s = selStart();
        units.remove(s, selEnd() - s);
        for (int i = 0; i < with.size(); ++i)
            units.insert(s + i, with[i]);
        caret = anchor = s + int(with.size());
    }
    void setText(const QString& t);
    // A position in the text: a surrogate pair or a CR LF takes two.
    int documentPosition(int unit) const {
        int pos = 0;
        for (int i = 0; i < unit; ++i)
            pos += int(units[i].size());
        return pos;
    }
    QStringList filesIn(const QString& folder) const {
        QStringList names;
        for (auto it = files.begin(); it != files.end(); ++it) {
            const qsizetype slash = it.key().lastIndexOf(u'/');
            if ((slash < 0 ? QString() : it.key().left(slash)) == folder)
                names << it.key().mid(slash + 1);
        }
        return names;
    }
};

// The steps of the caret over a text, as the text area inserts it: CR LF is
// one line break; a lone CR or LF, like any other character, one step.
QStringList unitsOf(const QString& text) {
    QStringList out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            out << QStringLiteral("\r\n");
            ++i;
        } else if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out << text.mid(i, 2);
            ++i;
        } else {
            out << QString(text[i]);
        }
    }
    return out;
}

// Setting the text it already holds changes nothing, the caret included.
void Model::setText(const QString& t) {
    if (t == text())
        return;
    units = unitsOf(t);
    caret = anchor = 0;
}

// The bytes of a text in UTF-8, where a kept byte (U+DC80..U+DCFF) is that
// byte again; nothing when some character cannot be stored.
std::optional<QByteArray> encode(const QString& text) {
    QByteArray out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out += text.mid(i, 2).toUtf8();
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - 0xDC00);
        } else if (QChar::isSurrogate(c)) {
            return std::nullopt;
        } else {
            out += QString(QChar(c)).toUtf8();
        }
    }
    return out;
}

// What Open makes of a file written by this run: its lines, each followed by
// CR LF, where a byte 0xFF (never part of UTF-8) is kept as U+DCFF.
QString load(const QByteArray& bytes) {
    QString text;
    qsizetype start = 0;
    const auto line = [&](qsizetype end) {
        const QList<QByteArray> parts = bytes.mid(start, end - start).split('\xff');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                text += QChar(0xDCFF);
            text += QString::fromUtf8(parts[i]);
        }
        text += QStringLiteral("\r\n");
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            continue;
        line(i);
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        line(bytes.size());
    return text;
}

// ------------------------------------------------------------------ menus

struct FontCommand {
    pw::Menu* textedit::*item;
    enum Kind { Name, Size, Bold, Color } kind;
    QString stored;
};

const QList<FontCommand>& fontCommands() {
    using K = FontCommand::Kind;
    static const QList<FontCommand> all = {
        {&textedit::mssfg, K::Name, "Ms Sans Serif"},
        {&textedit::mss, K::Name, "Ms Serif"},
        {&textedit::msg, K::Name, "Ms Gothic"},
        {&textedit::msm, K::Name, "Ms Mincho"},
        {&textedit::msans, K::Name, "MVSans"},
        {&textedit::xligh, K::Name, "NapoliSerial-Xlight"},
        {&textedit::eight, K::Size, "8"},
        {&textedit::nine, K::Size, "9"},
        {&textedit::ten, K::Size, "10"},
        {&textedit::elebv, K::Size, "11"},
        {&textedit::twelve, K::Size, "12"},
        {&textedit::fourte, K::Size, "14"},
        {&textedit::sizten, K::Size, "16"},
        {&textedit::eighteen, K::Size, "18"},
        {&textedit::twenty, K::Size, "20"},
        {&textedit::twetnttwo, K::Size, "22"},
        {&textedit::twentyfour, K::Size, "24"},
        {&textedit::twentysix, K::Size, "26"},
        {&textedit::twentyeight, K::Size, "28"},
        {&textedit::thirtysix, K::Size, "36"},
        {&textedit::fourtyeight, K::Size, "48"},
        {&textedit::seventytwo, K::Size, "72"},
        {&textedit::reg, K::Bold, "false"},
        {&textedit::bold, K::Bold, "true"},
        {&textedit::blk, K::Color, "0"},
        {&textedit::blu, K::Color, "16711680"},
        {&textedit::rdf, K::Color, "255"},
    };
    return all;
}

// The row of a name in a list, -1 when it is not there.
int rowOf(pw::FileList* list, const QString& name) {
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->List(i) == name)
            return i;
    return -1;
}

QStringList entries(pw::FileList* list) {
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
        out << list->List(i);
    return out;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// The offscreen platform says at every window that it cannot raise it or
// grab the keyboard; thousands of those would crowd out the run's own report.
QtMessageHandler g_testLog = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    g_testLog(type, context, message);
}

} // namespace

// ------------------------------------------------------------------ the run

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
    void note(const QString& kind, const QString& detail = {}) {
        ++counts[kind];
        const QString what = detail.isEmpty() ? kind : kind + u' ' + detail;
        if (qEnvironmentVariableIsSet("PAGEWICK_SOAK_TRACE"))
            qDebug("action: %s", qPrintable(what));
        recent.push_back(what);
        if (recent.size() > 20)
            recent.pop_front();
    }
    QString history() const {
        QString out = QStringLiteral("\nseed %1; the last actions:").arg(seed);
        for (const QString& a : recent)
            out += QStringLiteral("\n  ") + a;
        return out;
    }

    QString folderPath(const QString& folder) const {
        return folder.isEmpty() ? root.path() : root.filePath(folder);
    }
    textedit& editor() { return textedit::instance(); }

    void expectFailure(const QString& mention) {
        expectedEvents << QStringLiteral("msgbox");
        expectedBoxes.push_back({QString(), pw::MsgBoxCritical, QStringLiteral("Pagewick")});
        failureMention = mention;
    }
    void expectBox(const QString& text, int style, const QString& title) {
        expectedEvents << QStringLiteral("beep") << QStringLiteral("msgbox");
        expectedBoxes.push_back({text, style, title});
    }

    // ---------------------------------------------------------- typing

    void typeText(const QString& text) {
        textedit& w = editor();
        for (const QChar c : text) {
            if (c == u'\r')
                QTest::keyClick(w.Text1, Qt::Key_Return);
            else if (c == u'\t')
                QTest::sendKeyEvent(QTest::Click, w.Text1, Qt::Key_Tab, QStringLiteral("\t"),
                                    Qt::NoModifier);
            else
                QTest::sendKeyEvent(QTest::Click, w.Text1, Qt::Key(c.toUpper().unicode()),
                                    QString(c), Qt::NoModifier);
        }
    }

    void actType() {
        static const QStringList alphabet = {"a",
                                             "b",
                                             "c",
                                             "x",
                                             "Y",
                                             "Z",
                                             "0",
                                             "7",
                                             " ",
                                             " ",
                                             "<",
                                             ">",
                                             "/",
                                             "=",
                                             "\"",
                                             "&",
                                             ";",
                                             "\t",
                                             "\xc3\xa9",
                                             "\xe2\x82\xac",
                                             "\xe6\x97\xa5",
                                             "p",
                                             "h1",
                                             "<p>",
                                             "</p>"};
        QString text;
        const int n = 1 + pick(8);
        for (int i = 0; i < n; ++i)
            text += chance(8) ? QStringLiteral("\r") : QString::fromUtf8(any(alphabet).toUtf8());
        note(QStringLiteral("type"), QString(text).replace("\r", "\\r").replace("\t", "\\t"));
        typeText(text);
        QStringList typed;
        for (const QChar c : text)
            typed << (c == u'\r' ? QStringLiteral("\r\n") : QString(c));
        // Each key replaces the selection, if any, then goes on at the caret.
        m.replaceSelection(typed);
    }

    void actKey() {
        textedit& w = editor();
        const bool selection = m.caret != m.anchor;
        const int n = int(m.units.size());
        switch (pick(10)) {
        case 0:
            note(QStringLiteral("key Backspace"));
            QTest::keyClick(w.Text1, Qt::Key_Backspace);
            if (selection)
                m.replaceSelection({});
            else if (m.caret > 0) {
                m.units.removeAt(--m.caret);
                m.anchor = m.caret;
            }
            break;
        case 1:
            note(QStringLiteral("key Delete"));
            QTest::keyClick(w.Text1, Qt::Key_Delete);
            if (selection)
                m.replaceSelection({});
            else if (m.caret < n)
                m.units.removeAt(m.caret);
            break;
        case 2:
        case 3:
            if (selection) // a plain arrow on a selection is left alone
                break;
            note(QStringLiteral("key Left"));
            QTest::keyClick(w.Text1, Qt::Key_Left);
            m.caret = m.anchor = std::max(0, m.caret - 1);
            break;
        case 4:
            if (selection)
                break;
            note(QStringLiteral("key Right"));
            QTest::keyClick(w.Text1, Qt::Key_Right);
            m.caret = m.anchor = std::min(n, m.caret + 1);
            break;
        case 5:
            note(QStringLiteral("key Shift+Left"));
            QTest::keyClick(w.Text1, Qt::Key_Left, Qt::ShiftModifier);
            m.caret = std::max(0, m.caret - 1);
            break;
        case 6:
            note(QStringLiteral("key Shift+Right"));
            QTest::keyClick(w.Text1, Qt::Key_Right, Qt::ShiftModifier);
            m.caret = std::min(n, m.caret + 1);
            break;
        case 7:
            note(QStringLiteral("key Ctrl+Home"));
            QTest::keyClick(w.Text1, Qt::Key_Home, Qt::ControlModifier);
            m.caret = m.anchor = 0;
            break;
        case 8:
            note(QStringLiteral("key Ctrl+End"));
            QTest::keyClick(w.Text1, Qt::Key_End, Qt::ControlModifier);
            m.caret = m.anchor = n;
            break;
        case 9:
            note(QStringLiteral("key Ctrl+A"));
            QTest::keyClick(w.Text1, Qt::Key_A, Qt::ControlModifier);
            m.anchor = 0;
            m.caret = n;
            break;
        }
    }

    void actClipboardKey() {
        textedit& w = editor();
        const bool selection = m.caret != m.anchor;
        switch (pick(3)) {
        case 0:
            note(QStringLiteral("key Ctrl+C"));
            QTest::keyClick(w.Text1, Qt::Key_C, Qt::ControlModifier);
            if (selection) {
                m.clipboard = m.selected();
                m.clipboardHasText = true;
            }
            break;
        case 1:
            note(QStringLiteral("key Ctrl+X"));
            QTest::keyClick(w.Text1, Qt::Key_X, Qt::ControlModifier);
            if (selection) {
                m.clipboard = m.selected();
                m.clipboardHasText = true;
                m.replaceSelection({});
            }
            break;
        case 2:
            if (!m.clipboardHasText || m.clipboard.isEmpty())
                break;
            note(QStringLiteral("key Shift+Insert"));
            QTest::keyClick(w.Text1, Qt::Key_Insert, Qt::ShiftModifier);
            m.replaceSelection(unitsOf(m.clipboard));
            break;
        }
    }

    // Another program puts text on the clipboard.
    void actForeignClipboard() {
        static const QStringList pieces = {
            "word",     " ",   "\r\n", "\r", "\n", QString(QChar(0)), "\xf0\x9f\x98\x80",
            "\xc3\xa9", "<b>", "\t"};
        QString text;
        const int n = pick(6);
        for (int i = 0; i < n; ++i)
            text += QString::fromUtf8(any(pieces).toUtf8());
        if (chance(10))
            text += QChar(0xD800); // a lone half of a pair: no file can hold it
        note(QStringLiteral("clipboard from another program"),
             QStringLiteral("(%1 characters)").arg(text.size()));
        QApplication::clipboard()->setText(text);
        m.clipboard = text;
        m.clipboardHasText = true;
    }

    // ---------------------------------------------------------- menus

    void trigger(pw::Menu* item) { item->action()->trigger(); }

    void actFont() {
        const FontCommand& c = any(fontCommands());
        note(QStringLiteral("menu Font"), c.stored);
        trigger(editor().*c.item);
        switch (c.kind) {
        case FontCommand::Name:
            m.fontName = m.shownName = c.stored;
            break;
        case FontCommand::Size:
            m.size = c.stored;
            if (c.stored != QLatin1String("28"))
                m.shownSize = c.stored.toFloat();
            break;
        case FontCommand::Bold:
            m.bold = c.stored;
            m.shownBold = c.stored == QLatin1String("true");
            break;
        case FontCommand::Color:
            m.color = c.stored;
            m.shownColor = c.stored.toInt();
            break;
        }
    }

    void actEdit() {
        textedit& w = editor();
        switch (pick(3)) {
        case 0:
            note(QStringLiteral("menu Copy"));
            trigger(w.cpyh);
            m.clipboard = m.selected();
            m.clipboardHasText = true;
            break;
        case 1:
            note(QStringLiteral("menu Past"));
            trigger(w.ptsf);
            m.replaceSelection(unitsOf(m.clipboardHasText ? m.clipboard : QString()));
            break;
        case 2:
            note(QStringLiteral("menu Clear"));
            trigger(w.clsg);
            m.setText(QString());
            break;
        }
    }

    void actPrint() {
        note(QStringLiteral("menu Print"));
        QFile::remove(pdf->path());
        trigger(editor().prnt);
        QVERIFY2(QFileInfo(pdf->path()).size() > 0, qPrintable("nothing printed" + history()));
    }

    void actHelpAndDonate() {
        textedit& w = editor();
        struct Entry {
            pw::Menu* item;
            const char* file;
        };
        const QList<Entry> documents = {{w.redme, "Readme.txt"},
                                        {w.contactus, "contact.html"},
                                        {w.dola, "donate1.html"},
                                        {w.twodol, "donate2.html"},
                                        {w.fivedol, "donate5.html"}};
        switch (pick(4)) {
        case 0:
            note(QStringLiteral("menu About"));
            trigger(w.about);
            expectBox(QString(), pw::MsgBoxInformation, QStringLiteral("About"));
            break;
        case 1:
            note(QStringLiteral("menu Calculator"));
            trigger(w.wcw);
            if (calculator.isEmpty())
                expectFailure(QStringLiteral("calculator"));
            else
                expectedEvents << QStringLiteral("start ") + calculator + QLatin1Char(' ');
            break;
        default: {
            const Entry& e = any(documents);
            note(QStringLiteral("menu %1").arg(e.file));
            trigger(e.item);
            expectedEvents << QStringLiteral("open ") + aside.filePath(e.file);
            break;
        }
        }
    }

    void actExitCommand() {
        // File > Exit ends the program at once; the recorder only notes it.
        note(QStringLiteral("menu Exit"));
        trigger(editor().ext);
        expectedEvents << QStringLiteral("end");
    }

    // ---------------------------------------------------------- preview

    void pressView(char letter) {
        textedit& w = editor();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            QFAIL(qPrintable("the editor window did not become active" + history()));
        QTest::keyClick(w.Text1, Qt::Key(Qt::Key_A + (letter - 'A')), Qt::ControlModifier);
    }

    void actView() {
        textedit& w = editor();
        const QString text = m.text();
        const std::optional<QByteArray> bytes = encode(text);
        const int which = pick(4);
        const bool byKey = chance(70);
        if (which == 0) {
            note(QStringLiteral("menu Normal"));
            trigger(w.namand);
            m.split = false;
            return;
        }
        static const char letters[] = {0, 'V', 'S', 'R'};
        note(QStringLiteral("%1 Ctrl+%2").arg(byKey ? "key" : "menu").arg(letters[which]));
        viewhtml* before = viewhtml::loadedInstance();
        if (byKey)
            pressView(letters[which]);
        else
            trigger(which == 1 ? w.awpn : which == 2 ? w.horisz : w.refresh);
        if (!bytes) {
            expectFailure(QStringLiteral("cannot be stored"));
            return;
        }
        m.files[QStringLiteral("view.html")] = *bytes + "\r\n";
        if (which == 1) {
            if (before)
                QVERIFY2(viewhtml::loadedInstance() == before,
                         qPrintable("the open preview window was replaced" + history()));
            m.previewOpen = true;
        } else if (which == 2) {
            m.split = true;
        }
    }

    void actClosePreview() {
        note(QStringLiteral("close preview window"));
        QVERIFY(viewhtml::loadedInstance()->close());
        m.previewOpen = false;
        afterUnload();
    }

    // ---------------------------------------------------------- dialogs

    // A dialog's folder list moved to a folder as the user does: its row, Enter.
    void goTo(pw::FolderList* list, const QString& folder) {
        const QString target = QDir::toNativeSeparators(folderPath(folder));
        if (list->Path() == target)
            return;
        for (int i = 0; i < list->ListCount(); ++i) {
            if (list->List(i) == target) {
                list->setCurrentRow(i);
                QTest::keyClick(list, Qt::Key_Return);
                break;
            }
        }
        QVERIFY2(list->Path() == target, qPrintable("could not move to " + target + history()));
    }

    void typeInto(QLineEdit* box, const QString& text) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
        QCOMPARE(box->text(), text);
    }

    void actOpen() {
        trigger(editor().opd);
        openfile* d = openfile::loadedInstance();
        QVERIFY(d && d->isVisible());
        const QString folder = chance(60) ? QString() : QStringLiteral("sub");
        goTo(d->Dir1, folder);
        const QStringList names = m.filesIn(folder);
        QVERIFY2(sorted(entries(d->File1)) == sorted(names),
                 qPrintable("the file list is not the folder's files" + history()));
        QString name;
        if (names.isEmpty() || chance(10)) {
            name = QStringLiteral("missing.txt");
            typeInto(d->Text1, name);
        } else {
            name = any(names);
            if (chance(70)) {
                d->File1->setListIndex(rowOf(d->File1, name));
                QCOMPARE(d->Text1->Text(), name);
            } else {
                typeInto(d->Text1, name);
            }
        }
        const QString key = folder.isEmpty() ? name : folder + u'/' + name;
        note(QStringLiteral("dialog Open"), key);
        d->Command1->click();
        if (!m.files.contains(key)) {
            expectFailure(QStringLiteral("does not exist"));
            QVERIFY(openfile::loadedInstance());
            d->Command2->click();
            return;
        }
        QVERIFY2(!openfile::loadedInstance(), qPrintable("the Open dialog stayed" + history()));
        m.setText(load(m.files[key]));
    }

    void actSave() {
        trigger(editor().sav);
        savefile* d = savefile::loadedInstance();
        QVERIFY(d && d->isVisible());
        const QString folder = chance(60) ? QString() : QStringLiteral("sub");
        goTo(d->Dir1, folder);
        QString name = any(QStringList{"a", "b", "Notes", "page", "view"});
        QString type;
        if (chance(10)) {
            name.clear(); // neither name nor type: the path names the folder
        } else if (chance(80)) {
            const int index = pick(d->Combo1->ListCount());
            d->Combo1->setCurrentIndex(index);
            type = d->Combo1->List(index);
        } else if (chance(50)) {
            type = QStringLiteral(".txt");
            typeInto(d->Combo1->lineEdit(), type);
        }
        typeInto(d->Text1, name);
        if (name.isEmpty())
            d->Combo1->setText(QString());
        const QString file = name + type;
        const QString key = folder.isEmpty() ? file : folder + u'/' + file;
        note(QStringLiteral("dialog Save As"), u'"' + key + u'"');
        d->Command1->click();
        const std::optional<QByteArray> bytes = encode(m.text());
        if (file.isEmpty() || !bytes) {
            expectFailure(file.isEmpty() ? QStringLiteral("folder")
                                         : QStringLiteral("cannot be stored"));
            QVERIFY(savefile::loadedInstance());
            d->Command2->click();
            return;
        }
        expectBox(QStringLiteral("File saved successfully!"), pw::MsgBoxExclamation,
                  QStringLiteral("File Saved"));
        QVERIFY2(!savefile::loadedInstance(), qPrintable("the Save As dialog stayed" + history()));
        m.files[key] = *bytes + "\r\n";
    }

    void actDelete() {
        trigger(editor().ddel);
        delfile* d = delfile::loadedInstance();
        QVERIFY(d && d->isVisible());
        if (!m.deleteOpen) {
            m.deleteOpen = true;
            m.deleteFolder.clear();
            m.deleteListing = m.filesIn(QString());
        }
        const QString folder = chance(60) ? QString() : QStringLiteral("sub");
        if (folder != m.deleteFolder) {
            goTo(d->Dir1, folder);
            m.deleteFolder = folder;
            m.deleteListing = m.filesIn(folder);
        }
        // The list is read when the folder changes, not after a deletion.
        QVERIFY2(sorted(entries(d->File1)) == sorted(m.deleteListing),
                 qPrintable("the Delete dialog lists other files" + history()));
        if (m.deleteListing.isEmpty() || chance(15)) {
            note(QStringLiteral("dialog Delete, Cancel"));
            d->Command2->click();
            m.deleteOpen = false;
            afterUnload();
            return;
        }
        const QString name = any(m.deleteListing);
        d->File1->setListIndex(rowOf(d->File1, name));
        const QString key = folder.isEmpty() ? name : folder + u'/' + name;
        note(QStringLiteral("dialog Delete"), key);
        d->Command1->click();
        if (m.files.remove(key))
            expectBox(QStringLiteral("File Deleted!"), pw::MsgBoxCritical,
                      QStringLiteral("File Deleted"));
        else
            expectFailure(QStringLiteral("does not exist"));
        // The name box only ever shows the selected file.
        QTest::keyClicks(d->Text1, QStringLiteral("z"));
        QCOMPARE(d->Text1->Text(), name);
    }

    // Another program writes a file into one of the folders, with line
    // breaks of every kind, a NUL and a byte that is not UTF-8; or removes one.
    void actForeignFile() {
        const QString key = (chance(50) ? QString() : QStringLiteral("sub/")) +
                            QStringLiteral("other%1.txt").arg(pick(3));
        if (chance(25)) {
            note(QStringLiteral("file removed by another program"), key);
            QFile::remove(root.filePath(key));
            m.files.remove(key);
            return;
        }
        static const QList<QByteArray> pieces = {
            "line", "\r\n",        "\r",       "\n", QByteArray(1, '\0'),
            "\xff", "caf\xc3\xa9", "<i>x</i>", " "};
        QByteArray bytes;
        const int n = pick(12);
        for (int i = 0; i < n; ++i)
            bytes += any(pieces);
        note(QStringLiteral("file written by another program"), key);
        QFile f(root.filePath(key));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        m.files[key] = bytes;
    }

    // ---------------------------------------------------------- window

    // Runs act; a pop-up menu that opens meanwhile gets the key (Escape
    // when none). Returns whether one opened.
    bool popupDuring(const std::function<void()>& act, char key) {
        bool seen = false;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            if (seen) {
                menu->close();
                return;
            }
            seen = true;
            if (key)
                QTest::keyClick(menu, key);
            else
                QTest::keyClick(menu, Qt::Key_Escape);
        });
        timer.start();
        act();
        return seen;
    }

    void actMinimise() {
        note(QStringLiteral("minimise"));
        textedit& w = editor();
        w.setWindowState(pw::vbMinimized);
        QVERIFY2(QTest::qWaitFor([&] { return w.isHidden(); }, 2000),
                 qPrintable("minimising did not hide the window" + history()));
        m.hidden = true;
    }

    void actTray() {
        static const QList<int> codes = {514, 514, 514, 515, 517, 517, 517,
                                         512, 513, 516, 518, 519, 520, 521};
        const int code = any(codes);
        if (code != 517) {
            note(QStringLiteral("tray code %1").arg(code));
            QVERIFY(tray->click(code));
            if (code == 514 || code == 515)
                m.hidden = false;
            return;
        }
        const int choice = pick(100);
        const char key = choice < 45 ? 'r' : choice < 95 ? 0 : 'e';
        note(QStringLiteral("tray menu %1")
                 .arg(key == 'r'   ? "Restore"
                      : key == 'e' ? "Exit"
                                   : "dismissed"));
        QVERIFY2(popupDuring([&] { QVERIFY(tray->click(code)); }, key),
                 qPrintable("no tray menu opened" + history()));
        if (key == 'r') {
            m.hidden = false;
        } else if (key == 'e') {
            m.loaded = false;
            afterUnload();
        }
    }

    void actClose() {
        note(QStringLiteral("close editor window"));
        QVERIFY(editor().close());
        m.loaded = false;
        afterUnload();
    }

    void actStart() {
        note(QStringLiteral("start the editor again"));
        textedit& w = editor();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        m.start();
    }

    // The program ends by itself once no window is loaded.
    void afterUnload() {
        if (!m.loaded && !m.previewOpen && !m.deleteOpen)
            expectedEvents << QStringLiteral("quit");
    }

    // ---------------------------------------------------------- checks

    QString mismatch() {
        QStringList events = rec->events;
        if (events != expectedEvents) {
            QString shown;
            for (const RecordedBox& b : rec->boxes)
                shown += QStringLiteral("\n  [%1] %2: %3").arg(b.style).arg(b.title, b.text);
            return QStringLiteral("events %1, expected %2%3")
                .arg(events.join(", "), expectedEvents.join(", "), shown);
        }
        for (size_t i = 0; i < expectedBoxes.size(); ++i) {
            const RecordedBox& got = rec->boxes[i];
            const RecordedBox& want = expectedBoxes[i];
            const bool failure = want.text.isNull() && want.style == pw::MsgBoxCritical;
            if (got.style != want.style || got.title != want.title ||
                (failure ? !got.text.contains(failureMention, Qt::CaseInsensitive)
                         : got.text != want.text))
                return QStringLiteral("message [%1] %2: \"%3\"")
                    .arg(got.style)
                    .arg(got.title, got.text);
        }
        textedit* w = textedit::loadedInstance();
        if (bool(w) != m.loaded)
            return QStringLiteral("the editor window is %1loaded").arg(w ? "" : "not ");
        if (bool(viewhtml::loadedInstance()) != m.previewOpen)
            return QStringLiteral("the preview window is %1loaded")
                .arg(m.previewOpen ? "not " : "");
        if (bool(delfile::loadedInstance()) != m.deleteOpen)
            return QStringLiteral("the Delete dialog is %1loaded").arg(m.deleteOpen ? "not " : "");
        if (openfile::loadedInstance() || savefile::loadedInstance())
            return QStringLiteral("an Open or Save As dialog stayed");
        if (w) {
            if (w->Text1->Text() != m.text())
                return QStringLiteral("the text differs:\n  has  %1\n  want %2")
                    .arg(QString::fromLatin1(w->Text1->Text().toUtf8().toPercentEncoding()),
                         QString::fromLatin1(m.text().toUtf8().toPercentEncoding()));
            if (w->Text1->cursorPosition() != m.documentPosition(m.caret) ||
                w->Text1->anchorPosition() != m.documentPosition(m.anchor))
                return QStringLiteral("the caret is at %1 (anchor %2), expected %3 (%4)")
                    .arg(w->Text1->cursorPosition())
                    .arg(w->Text1->anchorPosition())
                    .arg(m.documentPosition(m.caret))
                    .arg(m.documentPosition(m.anchor));
            if (w->Text1->SelText() != m.selected())
                return QStringLiteral("the selection differs");
            if (w->CurrentFontName != m.fontName || w->CurrentBold != m.bold ||
                w->CurrentFontSize != m.size || w->CurrentForeColor != m.color)
                return QStringLiteral("the format settings are %1, %2, %3, %4")
                    .arg(w->CurrentFontName, w->CurrentBold, w->CurrentFontSize,
                         w->CurrentForeColor);
            if (w->Text1->FontName() != m.shownName || w->Text1->FontSize() != m.shownSize ||
                w->Text1->FontBold() != m.shownBold || w->Text1->ForeColor() != m.shownColor)
                return QStringLiteral("the text area shows another format");
            if (w->Text1->Height() != (m.split ? 2295 : 8295) ||
                w->WebBrowser1->Visible() != m.split || w->Shape1->Visible() != m.split)
                return QStringLiteral("the layout is not the %1 one")
                    .arg(m.split ? "split" : "normal");
            if (w->isHidden() != m.hidden)
                return QStringLiteral("the editor window is %1").arg(m.hidden ? "shown" : "hidden");
        }
        // The files on the disk.
        QMap<QString, QByteArray> disk;
        for (const QString& folder : {QString(), QStringLiteral("sub")})
            for (const QFileInfo& f :
                 QDir(folderPath(folder)).entryInfoList(QDir::Files | QDir::Hidden)) {
                QFile file(f.filePath());
                if (file.open(QIODevice::ReadOnly))
                    disk[folder.isEmpty() ? f.fileName() : folder + u'/' + f.fileName()] =
                        file.readAll();
            }
        if (disk != m.files) {
            QStringList names;
            for (auto it = disk.begin(); it != disk.end(); ++it)
                if (m.files.value(it.key(), "<none>") != it.value())
                    names << it.key();
            for (auto it = m.files.begin(); it != m.files.end(); ++it)
                if (!disk.contains(it.key()))
                    names << it.key() + " (missing)";
            return QStringLiteral("the files differ: ") + names.join(", ");
        }
        return {};
    }

private slots:
    void initTestCase() {
        g_testLog = qInstallMessageHandler(quietPlatform);
        QVERIFY(root.isValid() && aside.isValid());
        QVERIFY(QDir::setCurrent(root.path()));
        QVERIFY(QDir(root.path()).mkdir("sub"));
        pw::setCodePage("UTF-8");
        pw::OleContainer::setPackageFolder(aside.path());
        pdf = std::make_unique<pw::PdfFileOutput>(aside.filePath("printed.pdf"));
        pw::setPrintOutput(pdf.get());
        for (const QString& program : calculatorPrograms()) {
            calculator = QStandardPaths::findExecutable(program);
            if (!calculator.isEmpty())
                break;
        }
    }
    void cleanupTestCase() {
        qInstallMessageHandler(g_testLog);
        pw::setPrintOutput(nullptr);
        pw::OleContainer::setPackageFolder({});
    }

    // What earlier runs found, replayed on their own.
    void keysOnASelectedKeptCharacter() {
        // A key pressed while a kept NUL or lone CR was selected stripped its
        // mark: the NUL read back as U+2400 and the CR as a LF (seed 3).
        Recorder r;
        textedit& w = textedit::instance();
        const QString text = QString::fromUtf16(u"a\0b\rc", 5);
        w.Text1->setText(text);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(w.Text1, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(w.Text1, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(w.Text1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(w.Text1->Text(), text);
        QCOMPARE(w.Text1->SelText(), QString::fromUtf16(u"a\0b", 3));
        // Typing over the selection replaces it; the CR after it is kept.
        QTest::keyClicks(w.Text1, QStringLiteral("x"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("x\rc"));
        unloadAllWindows();
    }

    void theIconFollowsAWindowGivenANewNativeWindow() {
        // The end-to-end run found it: Split Screen gave the editor a new
        // native window (for the web view's surface), after which a click on
        // the icon no longer reached it, and a minimised editor never came
        // back. Here the native window is replaced directly.
        Recorder r;
        TrayRecorder icons;
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const WId first = w.winId();
        struct Native : QWidget {
            using QWidget::create;
            using QWidget::destroy;
        };
        static_cast<Native&>(static_cast<QWidget&>(w)).destroy();
        static_cast<Native&>(static_cast<QWidget&>(w)).create();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.winId() != first);
        w.setWindowState(pw::vbMinimized);
        QTRY_VERIFY(w.isHidden());
        QVERIFY(icons.click(pw::WM_LBUTTONUP));
        QVERIFY(w.isVisible());
        QCOMPARE(w.WindowState(), int(pw::vbNormal));
        unloadAllWindows();
        QVERIFY(icons.icons.isEmpty());
    }

    void randomUserActions() {
        bool ok = false;
        seed = qEnvironmentVariable("PAGEWICK_SOAK_SEED").toUInt(&ok); // any 32-bit seed
        if (!ok)
            seed = QRandomGenerator::system()->generate();
        int actions = qEnvironmentVariableIntValue("PAGEWICK_SOAK_ACTIONS", &ok);
        if (!ok || actions <= 0)
            actions = 5000;
        int seconds = qEnvironmentVariableIntValue("PAGEWICK_SOAK_SECONDS", &ok);
        if (!ok || seconds <= 0)
            seconds = 240;
        rng.seed(seed);
        qInfo("seed %u (PAGEWICK_SOAK_SEED=%u repeats this run), %d actions, at most %d s", seed,
              seed, actions, seconds);

        // The run starts from nothing: no window, no text on the clipboard.
        unloadAllWindows();
        QApplication::clipboard()->clear();
        m = Model();
        rec = new Recorder;
        tray = new TrayRecorder;
        const auto cleanup = qScopeGuard([this] {
            unloadAllWindows();
            delete tray;
            delete rec;
        });
        actStart();
        counts.clear();

        QElapsedTimer clock;
        clock.start();
        int done = 0;
        for (; done < actions && clock.elapsed() < seconds * 1000; ++done) {
            expectedEvents.clear();
            expectedBoxes.clear();
            failureMention.clear();
            rec->events.clear();
            rec->boxes.clear();
            // A user's next action comes after the program has handled
            // what the last one left (repaints, activations, deletions).
            QTest::qWait(1);
            step();
            if (QTest::currentTestFailed())
                return;
            const QString wrong = mismatch();
            QVERIFY2(
                wrong.isEmpty(),
                qPrintable(QStringLiteral("after action %1: %2").arg(done).arg(wrong) + history()));
        }

        // Still responsive: events are handled at once, and the text area
        // takes keys. As between actions, the user comes back after the
        // program has handled what the last action left.
        QTest::qWait(1);
        if (!m.loaded)
            actStart();
        if (m.hidden) {
            QVERIFY(tray->click(pw::WM_LBUTTONUP));
            QVERIFY2(QTest::qWaitFor([&] { return editor().isVisible(); }, 2000),
                     qPrintable("the notification icon did not bring the editor back" + history()));
        }
        bool fired = false;
        QTimer::singleShot(0, this, [&] { fired = true; });
        QVERIFY(QTest::qWaitFor([&] { return fired; }, 1000));
        textedit& w = editor();
        w.Text1->moveCursorToEnd();
        QTest::keyClicks(w.Text1, QStringLiteral("end"));
        QVERIFY(w.Text1->Text().endsWith(QStringLiteral("end")));
        // And the web view still shows a page.
        trigger(w.clsg);
        QTest::keyClicks(w.Text1, QStringLiteral("<p>still here</p>"));
        QSignalSpy loaded(w.WebBrowser1, &pw::WebView::loadFinished);
        pressView('S');
        if (!loaded.wait(30000) && loaded.isEmpty()) {
            QString pane;
            w.WebBrowser1->pageText([&](const QString& text) { pane = text; });
            QTest::qWait(500);
            QFAIL(qPrintable(
                QStringLiteral("the split pane loaded no page (pane shown %1, text area height %2, "
                               "the pane's text \"%3\", view.html %4 bytes)")
                    .arg(w.WebBrowser1->isVisible())
                    .arg(pw::heightTwips(w.Text1))
                    .arg(pane.left(80))
                    .arg(QFileInfo(root.filePath(QStringLiteral("view.html"))).size()) +
                history()));
        }
        QVERIFY(loaded.last().at(0).toBool());

        qInfo("%d actions in %lld ms, seed %u:", done, clock.elapsed(), seed);
        QStringList line;
        for (auto it = counts.begin(); it != counts.end(); ++it) {
            line << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
            if (line.size() == 6 || std::next(it) == counts.end()) {
                qInfo("  %s", qPrintable(line.join(", ")));
                line.clear();
            }
        }
    }

private:
    // One action, chosen by weight among those the user can take now.
    void step() {
        if (!m.loaded) {
            actStart();
            return;
        }
        if (m.hidden) {
            actTray();
            return;
        }
        const bool long_ = m.units.size() > 2500;
        struct Choice {
            int weight;
            void (SoakTest::*act)();
        };
        const Choice choices[] = {
            {22, &SoakTest::actType},
            {22, &SoakTest::actKey},
            {6, &SoakTest::actClipboardKey},
            {2, &SoakTest::actForeignClipboard},
            {7, &SoakTest::actFont},
            {long_ ? 40 : 6, &SoakTest::actEdit},
            {1, &SoakTest::actHelpAndDonate},
            {m.previewOpen || m.split ? 2 : 1, &SoakTest::actView},
            {m.previewOpen ? 1 : 0, &SoakTest::actClosePreview},
            {3, &SoakTest::actOpen},
            {4, &SoakTest::actSave},
            {2, &SoakTest::actDelete},
            {2, &SoakTest::actForeignFile},
            {2, &SoakTest::actMinimise},
            {1, &SoakTest::actTray},
        };
        int total = 0;
        for (const Choice& c : choices)
            total += c.weight;
        // The rare ones: a print job, File > Exit, closing the editor.
        const int rare = pick(1000);
        if (rare < 4)
            return actPrint();
        if (rare < 6)
            return actExitCommand();
        if (rare < 8)
            return actClose();
        int r = pick(total);
        for (const Choice& c : choices) {
            if (r < c.weight)
                return (this->*c.act)();
            r -= c.weight;
        }
    }
};

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
