// The Font menu, the format conversions, and the Copy, Past and Clear
// commands on the text area.

#include "editor/textedit.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/files/conversions.h"
#include "support/fontcommands.h"
#include "support/recorder.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QtTest>

namespace {

// What the window records and shows: face, size, weight and colour, as
// recorded and as shown.
QStringList formatOf(const textedit& w) {
    const QFont f = w.Text1->font();
    return {w.CurrentFontName,
            w.CurrentFontSize,
            w.CurrentBold,
            w.CurrentForeColor,
            f.family(),
            QString::number(f.pointSizeF()),
            f.bold() ? QStringLiteral("bold") : QStringLiteral("regular"),
            w.Text1->palette().color(QPalette::Text).name()};
}

void select(pw::TextBox* box, int from, int to) {
    box->setSelection(from, to - from);
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
        QTest::addColumn<int>("command"); // in fontCommands()
        QTest::addColumn<QString>("shown");
        const QMap<QString, QString> shownAs{{"false", "regular"},
                                             {"true", "bold"},
                                             {"0", "#000000"},
                                             {"16711680", "#0000ff"},
                                             {"255", "#ff0000"}};
        for (int i = 0; i < fontCommands().size(); ++i) {
            const FontCommand& c = fontCommands()[i];
            if (c.stored == QLatin1String("28")) // only recorded: see size28OnlyRecords
                continue;
            QTest::newRow(qPrintable(c.stored))
                << i << (c.kind <= FontCommand::Size ? c.stored : shownAs[c.stored]);
        }
    }

    void eachCommandChangesOnlyItsOwnSetting() {
        QFETCH(int, command);
        QFETCH(QString, shown);
        const FontCommand& c = fontCommands()[command];
        const int setting = c.kind;
        const QString& stored = c.stored;
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // A starting format that no command produces, so that every change
        // and every non-change shows.
        w.CurrentFontName = QStringLiteral("Start Face");
        w.CurrentFontSize = QStringLiteral("13");
        w.CurrentBold = setting == 2 && stored == QLatin1String("false") ? QStringLiteral("True")
                                                                         : QStringLiteral("False");
        w.CurrentForeColor = QStringLiteral("65280");
        w.Text1->setFontName(w.CurrentFontName);
        w.Text1->setFontSize(13);
        w.Text1->setFontBold(w.CurrentBold == QLatin1String("True"));
        w.Text1->setForeColor(65280);
        w.Text1->setText(QStringLiteral("one\r\ntwo"));
        select(w.Text1, 2, 7);
        w.Text1->SetFocus();
        QStringList expected = formatOf(w);
        expected[setting] = stored;
        expected[setting + 4] = shown;

        (w.*c.item)->action()->trigger();

        QVERIFY(rec->boxes.empty());
        QCOMPARE(formatOf(w), expected);
        // The text, the selection and the focus stay.
        QCOMPARE(w.Text1->Text(), QStringLiteral("one\r\ntwo"));
        QCOMPARE(w.Text1->SelText(), QStringLiteral("e\r\ntw"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Text1));
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
        select(w.Text1, 3, 13);
        w.cpyh->action()->trigger();
        QCOMPARE(cb->text(), QStringLiteral("ha\r\nbeta\rg"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("alpha\r\nbeta\rgamma"));
        QCOMPARE(w.Text1->SelText(), QStringLiteral("ha\r\nbeta\rg"));

        // Nothing selected: the clipboard's text becomes empty.
        select(w.Text1, 4, 4);
        w.cpyh->action()->trigger();
        QVERIFY(cb->mimeData()->hasText());
        QCOMPARE(cb->text(), QString());
        QCOMPARE(w.Text1->cursorPosition(), 4);
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
