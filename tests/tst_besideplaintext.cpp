// The text box beside the toolkit's own QPlainTextEdit: the same keys on the
// same text leave the same text, caret and selection, in every script and at
// the ends of the text; words of any length; wheels and touchpads.

#include "platform/controls/textbox.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

namespace {

struct Result {
    QString text;
    int caret = 0;
    int anchor = 0;
    bool operator==(const Result&) const = default;
};

QString describe(const Result& r) {
    QString shown;
    for (const QChar c : r.text)
        shown += c.unicode() < 0x7F && c.unicode() >= 0x20
                     ? QString(c)
                     : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\"%1\" caret %2 anchor %3").arg(shown).arg(r.caret).arg(r.anchor);
}

// "S+Right C+Backspace Delete": keys with Shift (S+) or Ctrl (C+).
void press(QWidget* w, const QString& keys) {
    static const QHash<QString, Qt::Key> names{
        {"Left", Qt::Key_Left},           {"Right", Qt::Key_Right},   {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},           {"Home", Qt::Key_Home},     {"End", Qt::Key_End},
        {"Backspace", Qt::Key_Backspace}, {"Delete", Qt::Key_Delete}, {"Z", Qt::Key_Z}};
    for (QString k : keys.split(u' ', Qt::SkipEmptyParts)) {
        Qt::KeyboardModifiers mods;
        while (k.size() > 2 && k[1] == u'+') {
            mods |= k[0] == u'S' ? Qt::ShiftModifier : Qt::ControlModifier;
            k = k.mid(2);
        }
        QVERIFY2(names.contains(k), qPrintable(k));
        QTest::keyClick(w, names[k], mods);
    }
}

Result inPlainTextEdit(const QString& text, int at, const QString& keys) {
    QPlainTextEdit e;
    e.resize(400, 200);
    e.setPlainText(text);
    e.show();
    QTextCursor c = e.textCursor();
    c.setPosition(at);
    e.setTextCursor(c);
    press(&e, keys);
    return {e.toPlainText(), e.textCursor().position(), e.textCursor().anchor()};
}

Result inTextBox(const QString& text, int at, const QString& keys) {
    pw::TextBox b(nullptr);
    b.resize(400, 200);
    b.setText(text);
    b.show();
    b.setSelection(at, 0);
    press(&b, keys);
    return {b.Text(), int(b.cursorPosition()), int(b.anchorPosition())};
}

} // namespace

class BesidePlainTextTest : public QObject {
    Q_OBJECT

private slots:
    void sameKeysSameResult_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("keys");
        const QString accent = QString::fromUtf16(u"ae\x301"
                                                  u"b");
        const QString flag = QString::fromUtf16(u"a\xD83C\xDDE9\xD83C\xDDEA"
                                                u"b");
        const QString thumb = QString::fromUtf16(u"a\xD83D\xDC4D\xD83C\xDFFD"
                                                 u"b");
        const QString family =
            QString::fromUtf16(u"a\xD83D\xDC68\x200D\xD83D\xDC69\x200D\xD83D\xDC67"
                               u"b");
        const QString jamo = QString::fromUtf16(u"a\x1100\x1161\x11A8"
                                                u"b");
        for (const auto& [name, text] :
             {std::pair{"accent", accent}, std::pair{"flag", flag}, std::pair{"skin tone", thumb},
              std::pair{"family", family}, std::pair{"jamo", jamo}}) {
            const int end = int(text.size());
            QTest::addRow("%s: Right twice", name) << text << 0 << "Right Right";
            QTest::addRow("%s: Left twice", name) << text << end << "Left Left";
            QTest::addRow("%s: Shift+Right twice", name) << text << 0 << "S+Right S+Right";
            QTest::addRow("%s: Delete", name) << text << 1 << "Delete";
            QTest::addRow("%s: Backspace", name) << text << end - 1 << "Backspace";
            QTest::addRow("%s: Ctrl+Right", name) << text << 0 << "C+Right";
        }
        const QString rtl = QString::fromUtf16(u"\x645\x631\x62D\x628\x627 world");
        QTest::newRow("right-to-left line: Right") << rtl << 0 << "Right Right";
        QTest::newRow("right-to-left line: Left") << rtl << 3 << "Left Left";
        QTest::newRow("right-to-left line: Ctrl+Left") << rtl << 0 << "C+Left";
        QTest::newRow("right-to-left line: Shift+Left") << rtl << 1 << "S+Left S+Left";
        const QString lines = QStringLiteral("first line\nsecond\nlast line");
        QTest::newRow("Up on the first line") << lines << 3 << "Up";
        QTest::newRow("Down on the last line") << lines << 22 << "Down";
        QTest::newRow("Shift+Up on the first line") << lines << 3 << "S+Up";
        QTest::newRow("Down, Down, Down, Up") << lines << 3 << "Down Down Down Up";
        const QString words = QStringLiteral("say hello there");
        QTest::newRow("three Backspaces, Ctrl+Z")
            << words << 9 << "Backspace Backspace Backspace C+Z";
        QTest::newRow("three Deletes, Ctrl+Z") << words << 4 << "Delete Delete Delete C+Z";
        const QString word = QStringLiteral("x ") + QString(10000, u'w') + QStringLiteral(" y");
        QTest::newRow("long word: Ctrl+Right") << word << 2 << "C+Right";
        QTest::newRow("long word: Ctrl+Left") << word << 10002 << "C+Left";
        QTest::newRow("long word: Ctrl+Delete") << word << 2 << "C+Delete";
        QTest::newRow("long word: Ctrl+Backspace") << word << 10002 << "C+Backspace";
        QTest::newRow("long word: Ctrl+Shift+Right") << word << 2 << "C+S+Right";
    }

    void sameKeysSameResult() {
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(QString, keys);
        const Result theirs = inPlainTextEdit(text, at, keys);
        const Result ours = inTextBox(text, at, keys);
        QVERIFY2(ours == theirs,
                 qPrintable("ours " + describe(ours) + ", the toolkit's " + describe(theirs)));
    }

    void doubleClickTakesAWordOfAnyLength() {
        const QString text = QStringLiteral("x ") + QString(10000, u'w') + QStringLiteral(" y");
        pw::TextBox b(nullptr);
        b.resize(400, 200);
        b.setText(text);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        b.setSelection(5000, 0);
        b.ensureCursorVisible();
        QTest::mouseDClick(b.viewport(), Qt::LeftButton, {}, b.cursorRect().center());
        QCOMPARE(b.SelStart(), 2);
        QCOMPARE(b.SelLength(), 10000);
    }

    void wheelsAndTouchpadsScrollByWhatTheySend() {
        QString text;
        for (int i = 0; i < 500; ++i)
            text += QStringLiteral("line %1\r\n").arg(i);
        pw::TextBox b(nullptr);
        b.resize(300, 200);
        b.setText(text);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        const int row = b.fontMetrics().lineSpacing();
        const auto topLine = [&] {
            const qsizetype at = b.positionAt({5, 2});
            return QStringView(b.Text()).left(at).count(u'\n');
        };
        const auto wheel = [&](QPoint angle, QPoint pixels) {
            QWheelEvent e({5, 5}, b.mapToGlobal(QPoint(5, 5)), pixels, angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(b.viewport(), &e);
        };
        // A fine wheel's eighths of a notch add up to the rows of a notch.
        for (int i = 0; i < 8; ++i)
            wheel({0, -15}, {});
        QCOMPARE(topLine(), QApplication::wheelScrollLines());
        // Touchpad pixels: less than a row waits, the rest goes on.
        b.verticalScrollBar()->setValue(0);
        wheel({0, -8}, {0, -(row - 1)});
        QCOMPARE(topLine(), 0);
        wheel({0, -8}, {0, -(2 * row + 1)});
        QCOMPARE(topLine(), 3);
        wheel({0, 8}, {0, 3 * row});
        QCOMPARE(topLine(), 0);
    }
};

QTEST_MAIN(BesidePlainTextTest)
#include "tst_besideplaintext.moc"
