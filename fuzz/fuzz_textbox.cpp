// Fuzz target: the text box's Text. Whatever string is set is read back
// unchanged, and so is every piece of it: an input is a short sequence of
// operations on one text box, each checked against what the text must be.
//   - Text set whole, read back whole.
//   - A selection (any two positions) read through SelText: the text before
//     it, the selection and the text after it make the whole text.
//   - The selection replaced through SelText, or by a key (a character,
//     Enter, Delete): the text is before + new + after; undo gives the old
//     text back and redo the new one.
// Characters are drawn mostly from those the text box must map (line breaks,
// NUL, the document's own marks, kept bytes of files, surrogate halves).
// PAGEWICK_FUZZ_TRACE=1 prints each step of an input that is run.

#include "platform/textbox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>

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

// The text between two document positions, as SelText gives it.
QString between(int from, int to) {
    QTextCursor c(g_box->document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    g_box->setTextCursor(c);
    return g_box->SelText();
}

int lastPosition() {
    return g_box->document()->characterCount() - 1;
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
    g_box = &box;
    QString text = makeText(in);
    g_box->setText(text);
    require(g_box->Text() == text, "Text does not read back what was set", text, g_box->Text());

    for (int step = 0; step < 8 && in.remaining_bytes() > 0; ++step) {
        const int end = lastPosition();
        int from = in.ConsumeIntegralInRange(0, end);
        int to = in.ConsumeIntegralInRange(0, end);
        if (from > to)
            std::swap(from, to);
        const QString before = between(0, from);
        const QString after = between(to, end);
        const QString selected = between(from, to);
        require(before + selected + after == text, "SelText pieces do not make the text", text,
                before + selected + after);
        if (from == 0 && to == end)
            require(selected == text, "the whole selection is not the text", text, selected);

        // The selection replaced by code, or by a key: a character typed,
        // Enter, or Delete on a selection.
        QString added;
        bool typed = false;
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            added = makeText(in);
            g_box->setSelText(added);
            break;
        case 1:
            added = QChar(Typed[in.ConsumeIntegralInRange<int>(0, TypedSize - 1)]);
            press(Qt::Key_unknown, added);
            typed = true;
            break;
        case 2:
            added = QStringLiteral("\r\n");
            press(Qt::Key_Return, QStringLiteral("\r"));
            break;
        default:
            if (from == to)
                continue;
            press(Qt::Key_Delete, QString());
            break;
        }
        if (std::getenv("PAGEWICK_FUZZ_TRACE"))
            std::fprintf(stderr, "step %d: [%d, %d) of %s -> %s\n", step, from, to,
                         qPrintable(units(text)), qPrintable(units(added)));
        const QString now = before + added + after;
        require(g_box->Text() == now, typed ? "Text after a typed character" : "Text after an edit",
                now, g_box->Text());
        // Typing is undone a word at a time, not a character at a time.
        if (!typed && (!added.isEmpty() || from != to)) {
            g_box->document()->undo();
            require(g_box->Text() == text, "Text after undo", text, g_box->Text());
            g_box->document()->redo();
            require(g_box->Text() == now, "Text after redo", now, g_box->Text());
        }
        text = now;
    }
    return 0;
}
