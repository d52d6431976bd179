// The Font menu, the format conversions, and the Copy, Past and Clear
// commands on the text area.

#include "editor/formatvalues.h"
#include "editor/textedit.h"
#include "platform/failure.h"
#include "platform/textbox.h"
#include "support/recorder.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QtTest>

namespace {

// What the window shows and records, to compare before and after a command.
struct Format {
    QString name, size, bold, color;
    QString shownFamily;
    double shownSize;
    bool shownBold;
    QColor shownColor;
};

Format formatOf(const textedit& w) {
    return {w.CurrentFontName,
            w.CurrentFontSize,
            w.CurrentBold,
            w.CurrentForeColor,
            w.Text1->font().family(),
            w.Text1->font().pointSizeF(),
            w.Text1->font().bold(),
            w.Text1->palette().color(QPalette::Text)};
}

pw::Menu* item(textedit& w, const QString& name) {
    auto* m = w.findChild<pw::Menu*>(name);
    if (!m)
        qFatal("no menu item %s", qPrintable(name));
    return m;
}

void select(pw::TextBox* box, int from, int to) {
    QTextCursor c = box->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
}

} // namespace

class FormatTest : public QObject {
    Q_OBJECT
    Recorder* rec = nullptr;

private slots:
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
    }

    void conversions() {
        QCOMPARE(pw::toSingle("8"), 8.0f);
        QCOMPARE(pw::toSingle(" 36 "), 36.0f);
        QCOMPARE(pw::toSingle("8.25"), 8.25f);
        QVERIFY(pw::toBoolean("true"));
        QVERIFY(pw::toBoolean("TRUE"));
        QVERIFY(!pw::toBoolean("False"));
        QVERIFY(!pw::toBoolean("false"));
        QVERIFY(pw::toBoolean("-1"));
        QVERIFY(!pw::toBoolean("0"));
        QCOMPARE(pw::toLong("16711680"), 16711680);
        QCOMPARE(pw::toLong("255"), 255);
        QCOMPARE(pw::toLong("-2147483648"), std::numeric_limits<qint32>::min());
        QCOMPARE(pw::toLong("2.5"), 2);
        QCOMPARE(pw::toLong("3.5"), 4);
        // Text that is no value of its kind is an error, not a quiet zero.
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::toSingle(""));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::toSingle("big"));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::toSingle("1e39"));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::toBoolean("yes"));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::toLong("2147483648"));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::toLong("0x10"));
    }

    void eachCommandChangesOnlyItsOwnSetting_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("setting"); // 0 face, 1 size, 2 weight, 3 colour
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* command, int setting, const char* stored) {
            QTest::newRow(command)
                << QString::fromLatin1(command) << setting << QString::fromLatin1(stored);
        };
        row("mssfg", 0, "Ms Sans Serif");
        row("mss", 0, "Ms Serif");
        row("msg", 0, "Ms Gothic");
        row("msm", 0, "Ms Mincho");
        row("msans", 0, "MVSans");
        row("xligh", 0, "NapoliSerial-Xlight");
        row("eight", 1, "8");
        row("nine", 1, "9");
        row("ten", 1, "10");
        row("elebv", 1, "11");
        row("twelve", 1, "12");
        row("fourte", 1, "14");
        row("sizten", 1, "16");
        row("eighteen", 1, "18");
        row("twenty", 1, "20");
        row("twetnttwo", 1, "22");
        row("twentyfour", 1, "24");
        row("twentysix", 1, "26");
        row("thirtysix", 1, "36");
        row("fourtyeight", 1, "48");
        row("seventytwo", 1, "72");
        row("reg", 2, "false");
        row("bold", 2, "true");
        row("blk", 3, "0");
        row("blu", 3, "16711680");
        row("rdf", 3, "255");
    }

    void eachCommandChangesOnlyItsOwnSetting() {
        QFETCH(QString, command);
        QFETCH(int, setting);
        QFETCH(QString, stored);
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // A starting format that no command produces, so that every change
        // and every non-change shows.
        w.CurrentFontName = QStringLiteral("Start Face");
        w.CurrentFontSize = QStringLiteral("13");
        w.CurrentBold = QStringLiteral("False");
        w.CurrentForeColor = QStringLiteral("65280");
        w.Text1->setFontName(w.CurrentFontName);
        w.Text1->setFontSize(13);
        w.Text1->setForeColor(65280);
        if (command == QLatin1String("reg")) {
            w.CurrentBold = QStringLiteral("True");
            w.Text1->setFontBold(true);
        }
        w.Text1->setText(QStringLiteral("one\r\ntwo"));
        select(w.Text1, 2, 6);
        w.Text1->SetFocus();
        const Format before = formatOf(w);

        item(w, command)->action()->trigger();

        QVERIFY(rec->boxes.empty());
        Format expected = before;
        switch (setting) {
        case 0:
            expected.name = expected.shownFamily = stored;
            break;
        case 1:
            expected.size = stored;
            expected.shownSize = stored.toDouble();
            break;
        case 2:
            expected.bold = stored;
            expected.shownBold = stored == QLatin1String("true");
            break;
        case 3: {
            expected.color = stored;
            const int c = stored.toInt();
            expected.shownColor = QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            break;
        }
        }
        const Format after = formatOf(w);
        QCOMPARE(after.name, expected.name);
        QCOMPARE(after.size, expected.size);
        QCOMPARE(after.bold, expected.bold);
        QCOMPARE(after.color, expected.color);
        QCOMPARE(after.shownFamily, expected.shownFamily);
        QCOMPARE(after.shownSize, expected.shownSize);
        QCOMPARE(after.shownBold, expected.shownBold);
        QCOMPARE(after.shownColor, expected.shownColor);
        // The text, the selection and the focus stay.
        QCOMPARE(w.Text1->Text(), QStringLiteral("one\r\ntwo"));
        QCOMPARE(w.Text1->SelText(), QStringLiteral("e\r\ntw"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Text1));
    }

    void coloursArePure() {
        textedit& w = textedit::instance();
        w.blu->action()->trigger();
        QCOMPARE(w.Text1->ForeColor(), 16711680);
        QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(0, 0, 255));
        w.rdf->action()->trigger();
        QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(255, 0, 0));
        w.blk->action()->trigger();
        QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(0, 0, 0));
    }

    void size28OnlyRecords() {
        textedit& w = textedit::instance();
        w.twenty->action()->trigger();
        w.twentyeight->action()->trigger();
        QCOMPARE(w.CurrentFontSize, QStringLiteral("28"));
        QCOMPARE(w.Text1->FontSize(), 20.0f);
        QCOMPARE(w.Text1->font().pointSizeF(), 20.0);
        // The next other size brings screen and setting together again.
        w.thirtysix->action()->trigger();
        QCOMPARE(w.CurrentFontSize, QStringLiteral("36"));
        QCOMPARE(w.Text1->font().pointSizeF(), 36.0);
    }

    void copyPutsTheSelectionOnTheClipboard() {
        textedit& w = textedit::instance();
        QClipboard* cb = QApplication::clipboard();
        w.Text1->setText(QStringLiteral("alpha\r\nbeta\rgamma"));
        select(w.Text1, 3, 12);
        w.cpyh->action()->trigger();
        QCOMPARE(cb->text(), QStringLiteral("ha\r\nbeta\rg"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("alpha\r\nbeta\rgamma"));
        QCOMPARE(w.Text1->SelText(), QStringLiteral("ha\r\nbeta\rg"));

        // Nothing selected: the clipboard's text becomes empty.
        select(w.Text1, 4, 4);
        w.cpyh->action()->trigger();
        QVERIFY(cb->mimeData()->hasText());
        QCOMPARE(cb->text(), QString());
        QCOMPARE(w.Text1->textCursor().position(), 4);
        QVERIFY(rec->boxes.empty());
    }

    void pastReplacesTheSelection() {
        textedit& w = textedit::instance();
        QClipboard* cb = QApplication::clipboard();
        cb->setText(QStringLiteral("X\r\nY"));
        w.Text1->setText(QStringLiteral("0123456789"));
        select(w.Text1, 7, 3);
        w.ptsf->action()->trigger();
        QCOMPARE(w.Text1->Text(), QStringLiteral("012X\r\nY789"));
        QCOMPARE(cb->text(), QStringLiteral("X\r\nY"));

        // No selection: inserted at the caret.
        select(w.Text1, 0, 0);
        w.ptsf->action()->trigger();
        QCOMPARE(w.Text1->Text(), QStringLiteral("X\r\nY012X\r\nY789"));

        // A clipboard without text deletes the selection, and changes nothing
        // where nothing is selected.
        auto* picture = new QMimeData;
        picture->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
        cb->setMimeData(picture);
        w.Text1->setText(QStringLiteral("keep cut keep"));
        select(w.Text1, 4, 8);
        w.ptsf->action()->trigger();
        QCOMPARE(w.Text1->Text(), QStringLiteral("keep keep"));
        cb->clear();
        select(w.Text1, 2, 2);
        w.ptsf->action()->trigger();
        QCOMPARE(w.Text1->Text(), QStringLiteral("keep keep"));
        QVERIFY(rec->boxes.empty());
    }

    void clearEmptiesAndKeepsTheFormat() {
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.bold->action()->trigger();
        w.rdf->action()->trigger();
        w.Text1->setText(QStringLiteral("gone\r\n"));
        w.menuBar()->setFocus();
        w.clsg->action()->trigger();
        QCOMPARE(w.Text1->Text(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Text1));
        QCOMPARE(w.CurrentBold, QStringLiteral("true"));
        QCOMPARE(w.CurrentForeColor, QStringLiteral("255"));

        // Typing goes on at once, in the format chosen before.
        QTest::keyClicks(w.Text1, QStringLiteral("new"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("new"));
        QVERIFY(w.Text1->font().bold());
        QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(255, 0, 0));

        // On an empty text area too; no question is asked.
        w.Text1->setText(QString());
        w.clsg->action()->trigger();
        QCOMPARE(w.Text1->Text(), QString());
        QVERIFY(rec->boxes.empty());
    }
};

QTEST_MAIN(FormatTest)
#include "tst_format.moc"
