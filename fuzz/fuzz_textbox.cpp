// Fuzz target: the text box's Text. Whatever string is set is read back
// unchanged, and so is every piece of it: an input is a short sequence of
// operations on one text box, each checked against what the text must be.
//   - Text set whole, read back whole.
//   - A selection (any two positions) read through SelText: the text before
//     it, the selection and the text after it make the whole text.
//   - The selection replaced through SelText, or by a key (a character,
//     Enter, Delete): the text is before + new + after; undo gives the old
//     text back and redo the new one.
//   - Characters typed one after another are one step of the history.
//   - Steps undone and redone in any number: each time the text is the one
//     before (or after) that step, the caret after what came back (or went
//     again); an edit after an undo forgets what could be redone.
//   - The caret and selection, set anywhere or moved by rows, pages, words
//     and ends of rows (Up, Down, Home, End, PgUp, PgDn, Left, Right, with or
//     without Shift and Ctrl), stop only between grapheme clusters of the
//     whole text (never inside a CR LF, a surrogate pair, a letter and its
//     accents, a flag); long lines are laid out in pieces.
//   - Once painted, the point at the middle of the caret's character is
//     that position again, and the text shown has one character for each
//     character of the text: itself, or a mark where it would not show.
//   - On the shown and painted box, the mouse (press, move, release, double
//     and triple click, Shift-click) and the wheel (angle and pixel deltas,
//     small and large) leave the text alone and the caret and selection
//     valid; a double click selects around the point clicked; the wheel does
//     not move the caret, and the scroll bar stays in its range.
//   - Text typed as several code points at once (a letter and its accent,
//     an emoji sequence, a flag) goes in whole; Backspace and Delete (with
//     Ctrl a word) take out one piece next to the caret, never splitting a
//     character; the input method's pre-edit takes out the selection, as
//     typing would, and then leaves the text and the caret alone however
//     often it changes; its commit goes in like typing.
// Characters are drawn mostly from those the text box must map (line breaks,
// NUL, the document's own marks, kept bytes of files, surrogate halves).
// PAGEWICK_FUZZ_TRACE=1 prints each step of an input that is run.

#include "platform/controls/textbox.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextCharFormat>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr char16_t Alphabet[] = {
    u'\r',  u'\n',  0,      0x2028, 0x2029, 0xFDD0, 0xFDD1, 0xFFFC, 0xFFFD, 0xDC80, 0xDCFF,
    0xDC7F, 0xDC00, 0xDFFF, 0xD800, 0xDBFF, 0xD83D, 0xDE00, 0x2400, 0xFEFF, 0x00A0, u'\t',
    u' ',   u'a',   u'b',   0x0301, 0x200D, 0x202E, 0xFFFF, 0xFFFE, 0x000B, 0x000C, 0x0085,
    0x001F, 0x00E9, 0x4E2D, 0xE000, 0xFDEF, 0x2029, 0xFFF9, 0xFFFB};
constexpr int AlphabetSize = int(sizeof Alphabet / sizeof Alphabet[0]);

// Text typed as one key or committed by an input method, several code
// points each: a letter and a combining accent, an emoji, a ZWJ sequence,
// a flag, a Hangul syllable in jamo, a keycap.
const QString Clusters[] = {QStringLiteral("e\u0301"),
                            QStringLiteral("\U0001F600"),
                            QStringLiteral("\U0001F469\u200D\U0001F4BB"),
                            QStringLiteral("\U0001F1E9\U0001F1EA"),
                            QStringLiteral("\u1100\u1161\u11A8"),
                            QStringLiteral("1\uFE0F\u20E3"),
                            QStringLiteral("a\u0308\u0323"),
                            QStringLiteral("\u0915\u094D\u0937")};
constexpr int ClustersSize = int(sizeof Clusters / sizeof Clusters[0]);

// Characters typed on the keyboard.
constexpr char16_t Typed[] = {u'a', u'Z', u' ', u'\t', u'<', u'/', 0x00E9, 0x20AC, 0x65E5, 0x00A0};
constexpr int TypedSize = int(sizeof Typed / sizeof Typed[0]);

pw::TextBox* g_box;

void press(int key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(g_box, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(g_box, &up);
}

QString units(QStringView text) {
    QString out;
    for (const QChar c : text.left(200))
        out += QString::number(c.unicode(), 16).rightJustified(4, u'0') + u' ';
    return out;
}

void require(bool ok, const char* what, const QString& expected, const QString& got) {
    if (ok)
        return;
    std::fprintf(stderr, "\n*** %s\nexpected %s\ngot      %s\n", what, qPrintable(units(expected)),
                 qPrintable(units(got)));
    std::abort();
}

QString makeText(FuzzedDataProvider& in) {
    QString text;
    // Now and then a line long enough to be laid out in pieces.
    if (in.ConsumeIntegralInRange(0, 15) == 0)
        text = QString(in.ConsumeIntegralInRange(2000, 9000), QLatin1Char('w'))
                   .replace(QLatin1String("wwwwwww"), QLatin1String("wwwwww "));
    const int length = in.ConsumeIntegralInRange(0, 48);
    for (int i = 0; i < length && in.remaining_bytes() > 0; ++i) {
        const uint8_t b = in.ConsumeIntegral<uint8_t>();
        if (b < AlphabetSize)
            text += QChar(Alphabet[b]);
        else if (b >= 0xF0)
            text += QChar(in.ConsumeIntegral<uint16_t>());
        else
            text += QChar(char16_t(0x20 + b % 0x5F));
    }
    return text;
}

// The text between two positions, as SelText gives it.
QString between(qsizetype from, qsizetype to) {
    g_box->setSelection(from, to - from);
    return g_box->SelText();
}

void press(int key, Qt::KeyboardModifiers mods) {
    QKeyEvent down(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(g_box, &down);
}

// Whether the caret's character must be found again at its middle. Not yet
// in right-to-left text or by direction controls, nor where the caret stands
// inside a cluster (before a combining mark, by a zero-width joiner):
// faults of the text area, recorded in tst_textarea. Nor before a cluster of
// several characters, whose middle is found to be the cluster's end.
bool findable(const QString& text, qsizetype pos) {
    const auto joins = [&](qsizetype i) {
        return i >= 0 && i < text.size() &&
               (text[i].isMark() || text[i] == QChar(0x200D) || text[i] == QChar(0x200C));
    };
    if (joins(pos) || joins(pos - 1))
        return false;
    // Nor before a cluster of several characters (a flag, a Hangul syllable
    // in jamo, a keycap): its rectangle is the whole cluster's.
    if (pos < text.size()) {
        QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
        clusters.setPosition(pos);
        if (clusters.toNextBoundary() - pos > (text[pos].isHighSurrogate() ? 2 : 1))
            return false;
    }
    for (const char32_t c : text.toUcs4())
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirPDF:
        case QChar::DirRLI:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return false;
        default:
            break;
        }
    return true;
}

// Whether a character is one the text area must draw as a mark: controls
// but the tab, DEL, the line and paragraph separators, the object mark and
// two non-characters, and a half of a surrogate pair on its own.
bool needsMark(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    if ((c < 0x20 && c != u'\t') || c == 0x7F || c == 0x2028 || c == 0x2029 || c == 0xFFFC ||
        c == 0xFDD0 || c == 0xFDD1)
        return true;
    if (QChar::isHighSurrogate(c))
        return !(i + 1 < text.size() && text[i + 1].isLowSurrogate());
    if (QChar::isLowSurrogate(c))
        return !(i > 0 && text[i - 1].isHighSurrogate());
    return false;
}

// A position the caret may take: not inside a CR LF nor a surrogate pair.
bool valid(const QString& text, qsizetype pos) {
    if (pos < 0 || pos > text.size())
        return false;
    if (pos == 0 || pos == text.size())
        return true;
    return !(text[pos - 1] == u'\r' && text[pos] == u'\n') &&
           !(text[pos - 1].isHighSurrogate() && text[pos].isLowSurrogate());
}

// A place the caret and the selection's ends may take: between grapheme
// clusters of the whole text (a CR LF, a letter and its accents, a flag, an
// emoji sequence are one each).
bool stop(const QString& text, qsizetype pos) {
    if (pos < 0 || pos > text.size())
        return false;
    if (pos == 0 || pos == text.size())
        return true;
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    clusters.setPosition(pos);
    return clusters.isAtBoundary();
}

// A point of the view, now and then just outside it.
QPoint pointIn(FuzzedDataProvider& in) {
    const QSize size = g_box->viewport()->size();
    return {in.ConsumeIntegralInRange(-20, size.width() + 20),
            in.ConsumeIntegralInRange(-30, size.height() + 30)};
}

void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, g_box->viewport()->mapToGlobal(at), button, buttons, mods);
    QCoreApplication::sendEvent(g_box->viewport(), &e);
}

// Paints the whole box, as the screen would show it.
void paint() {
    const QPixmap shot = g_box->grab();
    require(!shot.isNull() && shot.size() == g_box->size(), "the box could not be painted", {}, {});
}

void requireUnchanged(const QString& text, const char* what) {
    require(g_box->Text() == text, what, text, g_box->Text());
    require(stop(text, g_box->cursorPosition()) && stop(text, g_box->anchorPosition()),
            "the caret or the selection's other end inside a cluster", text,
            QString::number(g_box->anchorPosition()) + u'/' +
                QString::number(g_box->cursorPosition()));
}

// The mouse and the wheel on the shown box: the text stays as it is.
void pointAndScroll(FuzzedDataProvider& in, const QString& text) {
    for (int k = in.ConsumeIntegralInRange(1, 4); k > 0 && in.remaining_bytes() > 0; --k) {
        const Qt::KeyboardModifiers mods =
            in.ConsumeIntegralInRange(0, 3) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
        switch (in.ConsumeIntegralInRange(0, 6)) {
        case 0: {
            // Press, drag and release. Pressed inside the selection, a move
            // would start dragging the text, which needs a real desktop: the
            // button goes up where it went down.
            const QPoint at = pointIn(in);
            const qsizetype pos = g_box->positionAt(at);
            const bool onSelection = !(mods & Qt::ShiftModifier) && g_box->SelLength() > 0 &&
                                     pos >= g_box->SelStart() &&
                                     pos < g_box->SelStart() + g_box->SelLength();
            mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, mods);
            requireUnchanged(text, "a mouse press changed the text");
            QPoint last = at;
            if (!onSelection)
                for (int m = in.ConsumeIntegralInRange(0, 3); m > 0; --m) {
                    last = pointIn(in);
                    mouse(QEvent::MouseMove, last, Qt::LeftButton, mods);
                    requireUnchanged(text, "dragging the mouse changed the text");
                }
            mouse(QEvent::MouseButtonRelease, last, Qt::NoButton, mods);
            requireUnchanged(text, "a mouse release changed the text");
            break;
        }
        case 1: {
            // A double click, sometimes a third one: a word, then the line.
            const QPoint at = pointIn(in);
            g_box->setSelection(g_box->cursorPosition(), 0);
            mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::NoModifier);
            mouse(QEvent::MouseButtonRelease, at, Qt::NoButton, Qt::NoModifier);
            const qsizetype pos = g_box->positionAt(at);
            mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::NoModifier);
            mouse(QEvent::MouseButtonRelease, at, Qt::NoButton, Qt::NoModifier);
            requireUnchanged(text, "a double click changed the text");
            require(g_box->SelStart() <= pos && pos <= g_box->SelStart() + g_box->SelLength(),
                    "a double click selected away from the point clicked", text,
                    QString::number(pos) + u'/' + g_box->SelText());
            if (in.ConsumeBool()) {
                mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::NoModifier);
                mouse(QEvent::MouseButtonRelease, at, Qt::NoButton, Qt::NoModifier);
                requireUnchanged(text, "a triple click changed the text");
            }
            break;
        }
        default: {
            // The wheel: notches or pixels (a touchpad), a little or a lot.
            static constexpr int Deltas[] = {1, -1, 15, -15, 120, -120, 360, -2400, 100000};
            const int delta = Deltas[in.ConsumeIntegralInRange(0, 8)];
            const bool pixels = in.ConsumeBool();
            const QPoint at = pointIn(in);
            const qsizetype caret = g_box->cursorPosition(), anchor = g_box->anchorPosition();
            QWheelEvent e(at, g_box->viewport()->mapToGlobal(at),
                          pixels ? QPoint(0, delta) : QPoint(),
                          pixels ? QPoint() : QPoint(0, delta), Qt::NoButton,
                          in.ConsumeBool() ? Qt::ShiftModifier : Qt::NoModifier,
                          pixels ? Qt::ScrollUpdate : Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(g_box->viewport(), &e);
            requireUnchanged(text, "the wheel changed the text");
            require(g_box->cursorPosition() == caret && g_box->anchorPosition() == anchor,
                    "the wheel moved the caret", text, QString::number(g_box->cursorPosition()));
            const QScrollBar* bar = g_box->verticalScrollBar();
            require(bar->value() >= bar->minimum() && bar->value() <= bar->maximum(),
                    "the scroll bar left its range", text, QString::number(bar->value()));
            break;
        }
        }
        paint();
    }
}

// The input method's pre-edit over [from, to), changed some times, then
// committed (or given up). A pre-edit takes the selection out, as typing
// would; otherwise the text is left as it was until the commit. Returns the
// commit; preedited tells whether there was any pre-edit.
QString preeditAndCommit(FuzzedDataProvider& in, const QString& text, qsizetype from, qsizetype to,
                         bool& preedited) {
    const QString during = text.left(from) + text.mid(to);
    QString preedit;
    preedited = false;
    for (int k = in.ConsumeIntegralInRange(0, 3); k > 0; --k) {
        preedit += Clusters[in.ConsumeIntegralInRange(0, ClustersSize - 1)];
        preedited = true;
        const int cursor = in.ConsumeIntegralInRange(0, int(preedit.size()));
        QInputMethodEvent e(
            preedit, {{QInputMethodEvent::Cursor, cursor, 1, QVariant()},
                      {QInputMethodEvent::TextFormat, 0, int(preedit.size()), QTextCharFormat()}});
        QCoreApplication::sendEvent(g_box, &e);
        require(g_box->Text() == during, "the pre-edit changed the text", during, g_box->Text());
        require(g_box->cursorPosition() == from && g_box->anchorPosition() == from,
                "the pre-edit moved the caret", during, QString::number(g_box->cursorPosition()));
        // What an input method asks about the text around the caret.
        const QString around = g_box->inputMethodQuery(Qt::ImSurroundingText).toString();
        const int at = g_box->inputMethodQuery(Qt::ImCursorPosition).toInt();
        const int other = g_box->inputMethodQuery(Qt::ImAnchorPosition).toInt();
        require(at >= 0 && at <= around.size() && other >= 0 && other <= around.size() &&
                    during.contains(around),
                "the input method is told of a caret outside the text around it", during,
                around + u'@' + QString::number(at));
        g_box->inputMethodQuery(Qt::ImCursorRectangle);
        paint();
    }
    QString commit;
    if (in.ConsumeIntegralInRange(0, 3) > 0)
        for (int k = in.ConsumeIntegralInRange(1, 2); k > 0; --k)
            commit += Clusters[in.ConsumeIntegralInRange(0, ClustersSize - 1)];
    QInputMethodEvent e;
    e.setCommitString(commit);
    QCoreApplication::sendEvent(g_box, &e);
    return commit;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    // A text box of its own for each input: nothing carries over, and what
    // an input allocates it frees, so the leak check has little to look at.
    pw::TextBox box(nullptr);
    box.resize(300, 200);
    g_box = &box;
    QString text = makeText(in);
    g_box->setText(text);
    require(g_box->Text() == text, "Text does not read back what was set", text, g_box->Text());

    // The steps of the history: the text before and after each, and where
    // the edit was; done[0, now) can be undone, done[now, size) redone.
    struct Step {
        QString before, after;
        qsizetype from, to, added;
    };
    std::vector<Step> done;
    size_t now = 0;
    bool shown = in.ConsumeBool();
    if (shown) {
        box.show();
        box.viewport()->repaint();
    }
    for (int step = 0; step < 8 && in.remaining_bytes() > 0; ++step) {
        // Steps undone, then some of them redone.
        if (in.ConsumeIntegralInRange(0, 5) == 0) {
            for (int k = in.ConsumeIntegralInRange(0, 4); k > 0 && now > 0; --k) {
                g_box->undo();
                const Step& s = done[--now];
                require(g_box->Text() == s.before, "Text after undo", s.before, g_box->Text());
                require(g_box->cursorPosition() == s.to && g_box->SelLength() == 0,
                        "the caret after undo is not after what came back", s.before,
                        QString::number(g_box->cursorPosition()));
            }
            for (int k = in.ConsumeIntegralInRange(0, 4); k > 0 && now < done.size(); --k) {
                g_box->redo();
                const Step& s = done[now++];
                require(g_box->Text() == s.after, "Text after redo", s.after, g_box->Text());
                require(g_box->cursorPosition() == s.from + s.added && g_box->SelLength() == 0,
                        "the caret after redo is not after what went in again", s.after,
                        QString::number(g_box->cursorPosition()));
            }
            require(g_box->canUndo() == (now > 0) && g_box->canRedo() == (now < done.size()),
                    "what can be undone and redone", text, g_box->Text());
            text = g_box->Text();
        }
        const qsizetype end = g_box->length();
        // A selection of any two positions, one moved by keys, or one made
        // with the mouse on the shown box.
        const int how = in.ConsumeIntegralInRange(0, 7);
        if (how == 1) {
            if (!shown) {
                box.show();
                shown = true;
            }
            g_box->setSelection(in.ConsumeIntegralInRange<qsizetype>(0, end), 0);
            paint();
            pointAndScroll(in, text);
        } else if (how == 0) {
            g_box->setSelection(in.ConsumeIntegralInRange<qsizetype>(0, end), 0);
            static constexpr int Keys[] = {Qt::Key_Down,  Qt::Key_Up,     Qt::Key_End,
                                           Qt::Key_Home,  Qt::Key_PageUp, Qt::Key_PageDown,
                                           Qt::Key_Right, Qt::Key_Left};
            for (int k = in.ConsumeIntegralInRange(1, 4); k > 0; --k) {
                const int key = Keys[in.ConsumeIntegralInRange(0, 7)];
                Qt::KeyboardModifiers mods = in.ConsumeBool() ? Qt::ShiftModifier : Qt::NoModifier;
                if (in.ConsumeIntegralInRange(0, 2) == 0)
                    mods |= Qt::ControlModifier;
                press(key, mods);
                require(stop(text, g_box->cursorPosition()) && stop(text, g_box->anchorPosition()),
                        "a key left the caret inside a cluster", text,
                        QString::number(g_box->cursorPosition()));
                require(g_box->Text() == text, "a key that moves the caret changed the text", text,
                        g_box->Text());
            }
            if (shown && findable(text, g_box->cursorPosition())) {
                // The caret's character found again where it is drawn.
                g_box->ensureCursorVisible();
                g_box->viewport()->repaint();
                const qsizetype caret = g_box->cursorPosition();
                const QRect r = g_box->characterRect(caret);
                require(r.isValid(), "the caret is not in view after it was brought there", text,
                        QString::number(caret));
                require(g_box->positionAt(r.center()) == caret,
                        "the middle of the caret's character is another position", text,
                        QString::number(g_box->positionAt(r.center())) + u'/' +
                            QString::number(caret));
            }
        } else {
            g_box->setSelection(in.ConsumeIntegralInRange<qsizetype>(0, end), 0);
            const qsizetype to = in.ConsumeIntegralInRange<qsizetype>(0, end);
            g_box->setSelection(g_box->cursorPosition(), to - g_box->cursorPosition());
        }
        qsizetype from = g_box->SelStart();
        qsizetype to = from + g_box->SelLength();
        require(stop(text, from) && stop(text, to), "the selection splits a cluster", text,
                g_box->SelText());
        require(g_box->SelText() == text.mid(from, to - from), "SelText is not the selected text",
                text.mid(from, to - from), g_box->SelText());
        QString before = between(0, from);
        QString after = between(to, end);
        const QString selected = between(from, to);
        require(before + selected + after == text, "SelText pieces do not make the text", text,
                before + selected + after);

        // The selection replaced by code, or by a key: characters typed,
        // Enter, or Delete on a selection.
        QString added;
        bool typed = false;
        switch (in.ConsumeIntegralInRange(0, 6)) {
        case 0:
            added = makeText(in);
            g_box->setSelText(added);
            break;
        case 1:
            for (int k = in.ConsumeIntegralInRange(1, 4); k > 0; --k) {
                const QString c = QChar(Typed[in.ConsumeIntegralInRange<int>(0, TypedSize - 1)]);
                press(Qt::Key_unknown, c);
                added += c;
            }
            typed = true;
            break;
        case 2:
            added = QStringLiteral("\r\n");
            press(Qt::Key_Return, QStringLiteral("\r"));
            break;
        case 3:
            if (from == to)
                continue;
            press(Qt::Key_Delete, QString());
            break;
        case 4:
            // Several code points to a key, as a keyboard layout or a
            // compose sequence sends them.
            for (int k = in.ConsumeIntegralInRange(1, 3); k > 0; --k) {
                const QString c = Clusters[in.ConsumeIntegralInRange(0, ClustersSize - 1)];
                press(Qt::Key_unknown, c);
                added += c;
            }
            typed = true;
            break;
        case 5: {
            g_box->setSelection(from, to - from);
            bool preedited = false;
            added = preeditAndCommit(in, text, from, to, preedited);
            if (added.isEmpty() && (from == to || !preedited)) {
                require(g_box->Text() == text, "a pre-edit given up changed the text", text,
                        g_box->Text());
                continue;
            }
            typed = true;
            if (shown)
                paint();
            break;
        }
        default: {
            // Backspace or Delete, with Ctrl a word: on a selection it goes;
            // otherwise one piece before or after the caret does.
            const bool back = in.ConsumeBool();
            const Qt::KeyboardModifiers mods =
                in.ConsumeBool() ? Qt::ControlModifier : Qt::NoModifier;
            g_box->setSelection(from, to - from);
            const qsizetype caret = g_box->cursorPosition();
            QKeyEvent down(QEvent::KeyPress, back ? Qt::Key_Backspace : Qt::Key_Delete, mods);
            QCoreApplication::sendEvent(g_box, &down);
            if (from == to) {
                const QString now = g_box->Text();
                const qsizetype gone = text.size() - now.size();
                if (gone == 0) {
                    require(now == text && (back ? caret == 0 : caret == end),
                            "Backspace or Delete did nothing inside the text", text, now);
                    continue;
                }
                from = back ? caret - gone : caret;
                to = back ? caret : caret + gone;
                require(gone > 0 && from >= 0 && to <= end && valid(text, from) && valid(text, to),
                        "Backspace or Delete split a character or added text", text, now);
                before = text.left(from);
                after = text.mid(to);
            }
            break;
        }
        }
        if (std::getenv("PAGEWICK_FUZZ_TRACE"))
            std::fprintf(stderr, "step %d: [%lld, %lld) of %s -> %s\n", step, qlonglong(from),
                         qlonglong(to), qPrintable(units(text)), qPrintable(units(added)));
        const QString after_ = before + added + after;
        require(g_box->Text() == after_,
                typed ? "Text after typed characters" : "Text after an edit", after_,
                g_box->Text());
        // One undo takes back the whole edit, the typed characters included.
        if (!added.isEmpty() || from != to) {
            g_box->undo();
            require(g_box->Text() == text, "Text after undo", text, g_box->Text());
            require(g_box->cursorPosition() == to, "the caret after undo", text,
                    QString::number(g_box->cursorPosition()));
            g_box->redo();
            require(g_box->Text() == after_, "Text after redo", after_, g_box->Text());
        }
        if (!added.isEmpty() || from != to) {
            done.resize(now);
            done.push_back({text, after_, from, to, added.size()});
            ++now;
        }
        text = after_;
    }
    // The text as shown: one character for each, a mark only where needed,
    // and nothing left that would not show.
    const QString drawn = g_box->shownText(0, g_box->length());
    require(drawn.size() == text.size(), "the text shown is not one to one", text, drawn);
    for (qsizetype i = 0; i < text.size(); ++i)
        require(needsMark(text, i) ? drawn[i] != text[i] && !needsMark(drawn, i)
                                   : drawn[i] == text[i],
                "a character shown as another", text, drawn);
    return 0;
}
