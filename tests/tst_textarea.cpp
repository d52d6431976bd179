// The text box on its own, for what a model of its text cannot see: rows
// wrapped at the width, how little a keystroke lays out again in a long line,
// the undo history as the user meets it, drops, and screen readers.

#include "platform/controls/accessibility.h"
#include "platform/controls/textbox.h"
#include "platform/text/caretstops.h"
#include "platform/text/linepieces.h"
#include "platform/text/textrows.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

namespace {

// A drop as the desktop delivers it: the drag enters, then is dropped.
void drop(QWidget* on, QPoint at, QMimeData* data) {
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &drop);
}

// A text box shown with a text; the test checks exposed before going on.
struct Shown {
    pw::TextBox box{nullptr};
    bool exposed = false;
    Shown(const QString& text, QSize size = {300, 200}) {
        box.initFont(QStringLiteral("Sans"), 10, false);
        box.resize(size);
        box.setText(text);
        box.show();
        box.activateWindow();
        box.setFocus();
        exposed = QTest::qWaitForWindowExposed(&box);
        box.viewport()->repaint();
    }
    int rowOf(qsizetype pos) const { return box.characterRect(pos).center().y(); }
};

} // namespace

class TextAreaTest : public QObject {
    Q_OBJECT

private slots:
    void wrapsAtWordsAndBreaksLongWords() {
        QString words;
        for (int i = 0; i < 30; ++i)
            words += QStringLiteral("word%1 ").arg(i, 2, 10, QLatin1Char('0'));
        Shown s(words + QString(200, QLatin1Char('x')), {300, 400});
        QVERIFY(s.exposed);
        int rows = 1;
        for (int i = 0; i < 30; ++i) {
            const qsizetype at = i * 7;
            // A word is never split, and a row starts at the left margin.
            QCOMPARE(s.rowOf(at), s.rowOf(at + 5));
            if (i > 0 && s.rowOf(at) != s.rowOf(at - 7)) {
                ++rows;
                QCOMPARE(s.box.characterRect(at).left(), s.box.characterRect(0).left());
            }
        }
        QVERIFY(rows > 3);
        // The row of the caret, end to end by Home and End.
        s.box.setSelection(7 * 15 + 2, 0);
        QTest::keyClick(&s.box, Qt::Key_Home);
        const qsizetype home = s.box.cursorPosition();
        QCOMPARE(home % 7, 0);
        QTest::keyClick(&s.box, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(s.box.Text().at(s.box.cursorPosition()), u' ');
        QCOMPARE(s.rowOf(s.box.SelStart()), s.rowOf(s.box.SelStart() + s.box.SelLength() - 1));
        // Down and Up keep to the column.
        s.box.setSelection(home + 3, 0);
        QTest::keyClick(&s.box, Qt::Key_Down);
        QCOMPARE(s.box.cursorPosition() % 7, 3);
        QTest::keyClick(&s.box, Qt::Key_Up);
        QCOMPARE(s.box.cursorPosition(), home + 3);
        // The long word fills rows and goes on in the next.
        const qsizetype x = words.size();
        QVERIFY(s.rowOf(x) < s.rowOf(x + 199));
    }

    void aKeystrokeInALongLineLaysOutOnePiece() {
        QString line;
        while (line.size() < 1024 * 1024)
            line += QStringLiteral("<b>one</b> long line, ");
        Shown s(line);
        QVERIFY(s.exposed);
        for (const qsizetype at : {qsizetype(0), line.size() / 2, line.size()}) {
            s.box.setSelection(at, 0);
            s.box.viewport()->repaint();
            const int before = s.box.layoutsBuilt();
            QTest::keyClicks(&s.box, QStringLiteral("z"));
            s.box.viewport()->repaint();
            QCOMPARE(s.box.layoutsBuilt() - before, 1);
        }
        QCOMPARE(s.box.Text().size(), line.size() + 3);
        QVERIFY(s.box.characterRect(s.box.cursorPosition()).isValid());
    }

    void longLinesAreCutBetweenClusters() {
        // Lines of flags, of accented letters and of emoji with joiners, far
        // longer than a piece, without a space: every piece starts between
        // two clusters, also after edits that join a cluster across a cut.
        const QString flag = QString::fromUtf16(u"\xD83C\xDDE9\xD83C\xDDEA");
        const QString accented = QString::fromUtf16(u"e\x301\x302");
        const QString family =
            QString::fromUtf16(u"\xD83D\xDC68\x200D\xD83D\xDC69\x200D\xD83D\xDC67");
        QRandomGenerator rng(7);
        for (const QString& cluster : {flag, accented, family}) {
            pw::TextStore store;
            store.reset(QStringLiteral("start\n") + cluster.repeated(3000) +
                        QStringLiteral("\nend"));
            pw::LinePieces pieces(store);
            const auto check = [&] {
                const qsizetype end = store.lineContentEnd(1);
                qsizetype count = 0;
                for (qsizetype pos = store.lineStart(1); pos < end; ++count) {
                    const pw::Piece p = pieces.at(pos);
                    if (pw::snapToStop(store, p.start) != p.start)
                        return QStringLiteral("a piece starts inside a cluster at %1").arg(p.start);
                    if (p.length() > pw::LinePieces::MaxPiece)
                        return QStringLiteral("a piece of %1").arg(p.length());
                    pos = p.end;
                }
                return count > 2 ? QString() : QStringLiteral("not cut");
            };
            QCOMPARE(check(), QString());
            for (int i = 0; i < 40; ++i) {
                // A mark, a joiner, a flag's half or a letter, anywhere in it.
                const QString pick[] = {QString(QChar(0x301)), QString(QChar(0x200D)),
                                        QString::fromUtf16(u"\xD83C\xDDEA"), QStringLiteral("x")};
                const qsizetype at = store.lineStart(1) +
                                     rng.bounded(int(store.lineContentEnd(1) - store.lineStart(1)));
                const qsizetype cut = pw::snapToStop(store, at);
                const QString add = pick[rng.bounded(4)];
                const qsizetype removed = i % 3 == 0 ? pw::nextStop(store, cut) - cut : 0;
                store.replace(cut, removed, add, pw::TextStore::Kind::Other);
                pieces.edited(cut, removed, add.size());
                QCOMPARE(check(), QString());
            }
        }
    }

    void linesCountedWithoutLayoutFitOneRow() {
        // Idle measuring counts a line one row, unlaid, only where the layout
        // would too; and it does so for most short lines.
        const QString alphabet = QStringLiteral("WMmwil.,; \t<>/=\"'abcdefgh0123\u00e9\u00c6");
        QRandomGenerator rng(3);
        QStringList lines;
        for (int i = 0; i < 600; ++i) {
            QString line;
            for (int n = rng.bounded(70); n > 0; --n)
                line += alphabet[rng.bounded(int(alphabet.size()))];
            lines << line;
        }
        pw::TextStore store;
        store.reset(lines.join(u'\n'));
        pw::TextRows rows(store);
        for (const auto& [family, size, bold] :
             {std::tuple{"Sans", 10, false}, std::tuple{"Serif", 16, true},
              std::tuple{"Monospace", 9, false}}) {
            QFont font{QString::fromLatin1(family), size};
            font.setBold(bold);
            rows.setFont(font);
            for (const int width : {120, 260, 400}) {
                rows.setWidth(width);
                int judged = 0, oneRow = 0;
                for (qsizetype line = 0; line < store.lineCount(); ++line) {
                    const qsizetype start = store.lineStart(line);
                    const qsizetype end = store.lineContentEnd(line);
                    const int laid = rows.layout(rows.pieceAt(start)).lineCount();
                    oneRow += laid == 1;
                    if (rows.surelyOneRow(store.mid(start, end - start))) {
                        ++judged;
                        QVERIFY2(laid == 1, qPrintable(QStringLiteral("%1 %2 px: \"%3\"")
                                                           .arg(family)
                                                           .arg(width)
                                                           .arg(store.mid(start, end - start))));
                    }
                }
                QVERIFY2(
                    judged * 10 >= oneRow * 7,
                    qPrintable(
                        QStringLiteral("%1 of %2 at %3 px").arg(judged).arg(oneRow).arg(width)));
            }
        }
    }

    void scrollBarFollowsTheRowsLaidOut() {
        // Lines wrapping into several rows among one-row lines.
        QString text;
        for (int i = 0; i < 240; ++i) {
            if (i % 4 == 0)
                text += QStringLiteral("a wrapped line of words, ").repeated(1 + i % 12);
            else
                text += QStringLiteral("short %1").arg(i);
            text += i % 2 ? QStringLiteral("\r\n") : QStringLiteral("\n");
        }
        Shown s(text);
        QVERIFY(s.exposed);
        QScrollBar* bar = s.box.verticalScrollBar();
        // Halfway down before anything was measured: idle measuring moves the
        // scroll bar but never the text in view.
        s.box.setSelection(text.size() / 2, 0);
        s.box.ensureCursorVisible();
        const qsizetype top = s.box.positionAt({5, 2});
        const QRect topRect = s.box.characterRect(top);
        QTRY_VERIFY_WITH_TIMEOUT(!s.box.measuring(), 20000);
        QCOMPARE(s.box.characterRect(top), topRect);
        // Wheel row by row from the top: the scroll bar moves down at each
        // row and the last row ends at the bottom with the bar at its end.
        const auto wheelToEnd = [&](int& rows) {
            bar->setValue(0);
            QCOMPARE(s.box.positionAt({5, 2}), 0);
            for (int last = 0; rows < 5000; ++rows) {
                const qsizetype before = s.box.positionAt({5, 2});
                QWheelEvent wheel({5, 5}, s.box.mapToGlobal(QPoint(5, 5)), {}, {0, -40},
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(s.box.viewport(), &wheel);
                if (s.box.positionAt({5, 2}) == before)
                    break;
                QVERIFY(bar->value() >= last);
                last = bar->value();
            }
            const QRect end = s.box.characterRect(s.box.length());
            QVERIFY(end.isValid() && end.bottom() <= s.box.viewport()->height());
            QCOMPARE(bar->value(), bar->maximum());
        };
        int rows = 0;
        wheelToEnd(rows);
        // The bar's length is the rows there really are, within one.
        QVERIFY(rows > 240);
        QVERIFY(std::abs(double(bar->maximum()) / bar->singleStep() - rows) <= 1.0);
        // Dragged to the top and back to the end: the last row again.
        const QRect end = s.box.characterRect(text.size());
        bar->setValue(0);
        bar->setValue(bar->maximum());
        QCOMPARE(s.box.characterRect(text.size()), end);
        // Lines added and a wrapped one taken near the top: the rows known
        // for the lines after it move with them.
        bar->setValue(0);
        const qsizetype wrapped =
            text.indexOf(QLatin1Char('\n'), text.indexOf(QLatin1String("short 3")));
        s.box.replaceRange(wrapped + 1, text.indexOf(QLatin1Char('\n'), wrapped + 1),
                           QStringLiteral("one\ntwo\nthree"));
        s.box.viewport()->repaint();
        const double afterEdit = double(bar->maximum()) / bar->singleStep();
        rows = 0;
        wheelToEnd(rows);
        QVERIFY(std::abs(afterEdit - rows) <= 1.0);
    }

    void historyAsTheUserMeetsIt() {
        Shown s(QStringLiteral("opened file"));
        QVERIFY(s.exposed);
        // Emptying is one step back; another text starts a new history.
        QTest::keyClicks(&s.box, QStringLiteral("ab"));
        QTest::keyClick(&s.box, Qt::Key_Return);
        QTest::keyClicks(&s.box, QStringLiteral("cd"));
        QCOMPARE(s.box.Text(), QStringLiteral("ab\r\ncdopened file"));
        s.box.setText(QString());
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), QStringLiteral("ab\r\ncdopened file"));
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), QStringLiteral("ab\r\nopened file"));
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), QStringLiteral("abopened file"));
        QTest::keyClick(&s.box, Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.box.Text(), QStringLiteral("ab\r\ncdopened file"));
        s.box.setText(QStringLiteral("another file"));
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), QStringLiteral("another file"));
        // Alt+letter types nothing.
        QTest::keyClick(&s.box, Qt::Key_F, Qt::AltModifier);
        QCOMPARE(s.box.Text(), QStringLiteral("another file"));
    }

    void keysForWordsEndsAndPages() {
        // Words across a CR LF and surrogate pairs (U+1F600 twice).
        const QString text = QString::fromUtf16(u"one two\r\nthree \xD83D\xDE00\xD83D\xDE00 four");
        Shown s(text);
        QVERIFY(s.exposed);
        const QList<qsizetype> right{4, 7, 9, 15, 20, 24}, left{20, 15, 9, 7, 4, 0};
        for (const qsizetype at : right) {
            QTest::keyClick(&s.box, Qt::Key_Right, Qt::ControlModifier);
            QCOMPARE(s.box.cursorPosition(), at);
        }
        for (const qsizetype at : left) {
            QTest::keyClick(&s.box, Qt::Key_Left, Qt::ControlModifier);
            QCOMPARE(s.box.cursorPosition(), at);
        }
        // Selecting to either end keeps the anchor.
        s.box.setSelection(4, 0);
        QTest::keyClick(&s.box, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.box.anchorPosition(), 4);
        QCOMPARE(s.box.cursorPosition(), 24);
        QTest::keyClick(&s.box, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.box.SelText(), QStringLiteral("one "));
        // Ctrl+Delete takes the word after the caret, Ctrl+Backspace the one
        // before it (the pair whole); Ctrl+Z brings each back, the caret
        // after what came back.
        s.box.setSelection(4, 0);
        QTest::keyClick(&s.box, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), QString(text).remove(4, 3));
        QCOMPARE(s.box.cursorPosition(), 4);
        s.box.setSelection(16, 0);
        QTest::keyClick(&s.box, Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), QString(text).remove(4, 3).remove(12, 4));
        QCOMPARE(s.box.cursorPosition(), 12);
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.cursorPosition(), 16);
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), text);
        QCOMPARE(s.box.cursorPosition(), 7);
        // Ctrl+Y puts the deletion back, the caret where it was.
        QTest::keyClick(&s.box, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.box.cursorPosition(), 4);
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        // Shift+Delete cuts the selection; with none it changes nothing.
        QApplication::clipboard()->clear();
        s.box.setSelection(0, 3);
        QTest::keyClick(&s.box, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one"));
        QCOMPARE(s.box.Text(), text.mid(3));
        QTest::keyClick(&s.box, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(s.box.Text(), text.mid(3));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one"));

        // PageDown and PageUp: a page less one row at a time, in the same
        // column, the caret kept in view; past either end, to that end.
        QString lines;
        for (int i = 0; i < 100; ++i)
            lines += QStringLiteral("line %1\r\n").arg(i, 3, 10, QLatin1Char('0'));
        s.box.setText(lines);
        s.box.viewport()->repaint();
        const qsizetype lineLength = 10;
        s.box.setSelection(2, 0);
        const int rowHeight = s.rowOf(lineLength) - s.rowOf(0);
        QVERIFY(rowHeight > 0);
        const int page = s.box.viewport()->height() / rowHeight - 1;
        QVERIFY(page > 2);
        QTest::keyClick(&s.box, Qt::Key_PageDown);
        const qsizetype down = s.box.cursorPosition();
        QCOMPARE(down % lineLength, 2);
        QVERIFY(std::abs(down / lineLength - page) <= 1);
        QVERIFY(s.box.viewport()->rect().contains(s.box.cursorRect().center()));
        QTest::keyClick(&s.box, Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(s.box.anchorPosition(), down);
        QCOMPARE(s.box.cursorPosition() % lineLength, 2);
        QTest::keyClick(&s.box, Qt::Key_PageUp);
        QCOMPARE(s.box.cursorPosition(), down);
        QTest::keyClick(&s.box, Qt::Key_PageUp);
        QCOMPARE(s.box.cursorPosition(), 2);
        QTest::keyClick(&s.box, Qt::Key_PageUp);
        QCOMPARE(s.box.cursorPosition(), 0);
        s.box.setSelection(lines.size() - 2 * lineLength + 2, 0);
        QTest::keyClick(&s.box, Qt::Key_PageDown);
        QCOMPARE(s.box.cursorPosition(), lines.size());
        QVERIFY(s.box.viewport()->rect().contains(s.box.cursorRect().center()));
    }

    void marksForCharactersThatWouldNotShow() {
        // Controls as control pictures, the separators as the marks of a
        // line and a paragraph, object and non-characters and surrogate
        // halves alone as U+FFFD; a pair, a tab and the rest as themselves.
        const QString text = QString::fromUtf16(
            u"\0\x01\x1F\x7F\t\x2028\x2029\xFFFC\xFDD0\xDC80\xD800 a\xD83D\xDE00\xE9\r\n", 18);
        const QString marks = QString::fromUtf16(u"\x2400\x2401\x241F\x2421\t\x21B5\xB6\xFFFD\xFFFD"
                                                 u"\xFFFD\xFFFD a\xD83D\xDE00\xE9\x240D\x240A",
                                                 18);
        Shown s(text);
        QVERIFY(s.exposed);
        QCOMPARE(s.box.shownText(0, text.size()), marks);
        QCOMPARE(s.box.Text(), text);
        // Each one drawn, where it can be found again.
        for (qsizetype i = 0; i < 16; ++i) {
            if (i == 14)
                continue; // inside the pair
            const QRect r = s.box.characterRect(i);
            QVERIFY2(r.isValid() && r.width() > 0, qPrintable(QString::number(i)));
            QCOMPARE(s.box.positionAt(r.center()), i);
        }
    }

    void theCaretIsFoundWhereItIsDrawn() {
        // A click where the caret of any position is drawn puts the caret
        // there again: at that position, or at one drawn in the same place
        // (a mark with no width), in text of either direction.
        const auto lost = [](const QString& text) {
            Shown s(text);
            QList<qsizetype> out;
            for (qsizetype i = 0; i <= text.size(); ++i) {
                s.box.setSelection(i, 0);
                if (s.box.cursorPosition() != i)
                    continue; // inside a cluster
                const QRect drawn = s.box.cursorRect();
                s.box.setSelection(s.box.positionAt(drawn.center()), 0);
                if (!s.exposed || !drawn.isValid() || s.box.cursorRect() != drawn)
                    out << i;
            }
            return out;
        };
        QCOMPARE(lost(QString::fromUtf16(u"plain\ttext, \xE9 \x4E2D \xD83D\xDE00\r\nnext\r\n")),
                 QList<qsizetype>());
        QCOMPARE(lost(QString::fromUtf16(u"\x5D0\x5D1\x5D2 \x5D3\x5D4\x5D5, \x5D6")),
                 QList<qsizetype>());
        QCOMPARE(lost(QString::fromUtf16(u"ZZ e\x301x \x1100\x1161\x11A8!")), QList<qsizetype>());
    }

    void mouseAndInputMethod() {
        Shown s(QStringLiteral("alpha beta\r\ngamma delta\r\nlast"));
        QVERIFY(s.exposed);
        QWidget* v = s.box.viewport();
        const auto at = [&](qsizetype pos) { return s.box.characterRect(pos).center(); };
        QTest::mouseClick(v, Qt::LeftButton, {}, at(7));
        QCOMPARE(s.box.cursorPosition(), 7);
        QTest::mouseClick(v, Qt::LeftButton, Qt::ShiftModifier, at(14));
        QCOMPARE(s.box.SelText(), QStringLiteral("eta\r\nga"));
        // A double click takes the word, a third click the line and its break.
        QTest::mouseDClick(v, Qt::LeftButton, {}, at(13));
        QCOMPARE(s.box.SelText(), QStringLiteral("gamma"));
        QTest::mouseClick(v, Qt::LeftButton, {}, at(13));
        QCOMPARE(s.box.SelText(), QStringLiteral("gamma delta\r\n"));
        // The pre-edit is shown, not stored; the commit is typed.
        s.box.setSelection(5, 0);
        QInputMethodEvent preedit(QStringLiteral("xy"), {});
        QCoreApplication::sendEvent(&s.box, &preedit);
        s.box.viewport()->repaint();
        QCOMPARE(s.box.Text(), QStringLiteral("alpha beta\r\ngamma delta\r\nlast"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("\u00E9"));
        QCoreApplication::sendEvent(&s.box, &commit);
        QCOMPARE(s.box.Text(), QStringLiteral("alpha\u00E9 beta\r\ngamma delta\r\nlast"));
        QCOMPARE(s.box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
        // A replacement that names half of a pair takes the whole pair; the
        // input method sees the caret's line around it, however long.
        s.box.setText(QString::fromUtf16(u"a\xD83D\xDE00"
                                         u"b") +
                      QString(5000, u'x'));
        s.box.setSelection(3, 0);
        QInputMethodEvent replace;
        replace.setCommitString(QStringLiteral("y"), -1, 1);
        QCoreApplication::sendEvent(&s.box, &replace);
        QCOMPARE(s.box.Text().left(3), QStringLiteral("ayb"));
        s.box.setSelection(2500, 0);
        QCOMPARE(s.box.inputMethodQuery(Qt::ImSurroundingText).toString(), QString(2048, u'x'));
        QCOMPARE(s.box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 1024);
    }

    void filesDroppedAreOpenedTextIsInserted() {
        Shown s(QStringLiteral("text"));
        QVERIFY(s.exposed);
        QSignalSpy dropped(&s.box, &pw::TextBox::FileDropped);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/page.html"))});
        files.setText(QStringLiteral("/tmp/page.html"));
        const QPoint at = s.box.characterRect(2).center();
        drop(s.box.viewport(), at, &files);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped[0][0].toString(), QStringLiteral("/tmp/page.html"));
        QCOMPARE(s.box.Text(), QStringLiteral("text"));
        QMimeData words;
        words.setText(QStringLiteral("--"));
        drop(s.box.viewport(), at, &words);
        QCOMPARE(s.box.Text(), QStringLiteral("te--xt"));
    }

    void screenReadersReadAndEdit() {
        pw::installAccessibleInterfaces();
        Shown s(QStringLiteral("one\r\ntwo"));
        QVERIFY(s.exposed);
        s.box.initFont(QStringLiteral("Serif"), 12, true);
        s.box.setForeColor(0x0000FF);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&s.box);
        QVERIFY(a && a->textInterface() && a->editableTextInterface());
        QAccessibleTextInterface* t = a->textInterface();
        QCOMPARE(t->characterCount(), 8);
        QCOMPARE(t->text(2, 6), QStringLiteral("e\r\nt"));
        t->setSelection(0, 5, 8);
        QCOMPARE(s.box.SelText(), QStringLiteral("two"));
        int from = -1, to = -1;
        t->selection(0, &from, &to);
        QCOMPARE(QPair(from, to), QPair(5, 8));
        QCOMPARE(t->cursorPosition(), 8);
        const QString attributes = t->attributes(1, &from, &to);
        QVERIFY(attributes.contains(QLatin1String("font-family:\"Serif\"")));
        QVERIFY(attributes.contains(QLatin1String("font-size:12pt")));
        QVERIFY(attributes.contains(QLatin1String("font-weight:700")));
        QVERIFY(attributes.contains(QLatin1String("color:rgb(255,0,0)")));
        const QRect r = t->characterRect(5);
        QVERIFY(r.isValid());
        QCOMPARE(t->offsetAtPoint(r.center()), 5);
        a->editableTextInterface()->insertText(3, QStringLiteral("!"));
        a->editableTextInterface()->deleteText(0, 1);
        a->editableTextInterface()->replaceText(0, 2, QStringLiteral("NE"));
        QCOMPARE(s.box.Text(), QStringLiteral("NE!\r\ntwo"));
        QCOMPARE(a->text(QAccessible::Value), s.box.Text());
        QVERIFY(a->state().editable && a->state().multiLine);
    }

    // A screen reader that brings a range into view leaves the user's caret
    // and selection alone.
    void screenReadersScrollWithoutMovingTheCaret() {
        pw::installAccessibleInterfaces();
        QString text;
        for (int i = 0; i < 300; ++i)
            text += QStringLiteral("line %1\r\n").arg(i, 3, 10, QChar(u'0'));
        Shown s(text);
        QVERIFY(s.exposed);
        s.box.setSelection(0, 4);
        QAccessibleTextInterface* t =
            QAccessible::queryAccessibleInterface(&s.box)->textInterface();
        const int far = int(text.indexOf(QLatin1String("line 250")));
        QVERIFY(!t->characterRect(far).isValid());
        t->scrollToSubstring(far, far + 8);
        QVERIFY(t->characterRect(far).isValid());
        QCOMPARE(t->cursorPosition(), 4);
        QCOMPARE(s.box.SelText(), QStringLiteral("line"));
    }
};

QTEST_MAIN(TextAreaTest)
#include "tst_textarea.moc"
