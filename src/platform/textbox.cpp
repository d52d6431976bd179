#include "textbox.h"

#include "units.h"

#include <QAction>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

namespace pw {

namespace {

// The character a stand-in replaces is kept in this property of its format.
constexpr int OriginalChar = QTextFormat::UserProperty + 1;

constexpr char16_t ParagraphSeparator = 0x2029;
constexpr char16_t LineSeparator = 0x2028;

// A lone LF is shown as a line separator with no mark (the common case: text
// with Unix line ends); every other character the document cannot hold as it
// is gets a stand-in marked with the original.
char16_t standInFor(char16_t c) {
    switch (c) {
    case u'\r':
    case LineSeparator:
    case ParagraphSeparator:
        return LineSeparator; // shown as a line break
    case 0:
        return 0x2400; // SYMBOL FOR NULL
    case 0xFDD0:       // the document's own frame marks
    case 0xFDD1:
    case 0xFFFC: // object replacement
        return 0xFFFD;
    default:
        // A byte of a file that is not valid text, kept as U+DC80..U+DCFF.
        if (c >= 0xDC80 && c <= 0xDCFF)
            return 0xFFFD;
        return 0;
    }
}

void appendMapped(QString& out, const QStringView text, const QTextCharFormat& format) {
    const QVariant original = format.property(OriginalChar);
    if (!original.isValid()) {
        // Unmarked: only a lone LF was turned into a line separator.
        for (const QChar c : text)
            out += c.unicode() == LineSeparator ? QChar(u'\n') : c;
        return;
    }
    const QChar orig(char16_t(original.toInt()));
    const char16_t stand = standInFor(orig.unicode());
    for (const QChar c : text)
        out += c.unicode() == stand ? orig : c;
}

QColor colorFromBgr(qint32 value) {
    const quint32 v = quint32(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

} // namespace

// ---------------------------------------------------------------- fonts

void TextFont::setFontName(const QString& name) {
    m_name = name;
    apply();
}

void TextFont::setFontSize(float points) {
    m_size = points;
    apply();
}

void TextFont::setFontBold(bool bold) {
    m_bold = bold;
    apply();
}

void TextFont::setForeColor(qint32 color) {
    m_color = color;
    QPalette p = m_widget->palette();
    p.setColor(QPalette::Text, colorFromBgr(color));
    m_widget->setPalette(p);
}

void TextFont::initFont(const QString& name, float points, bool bold) {
    m_name = name;
    m_size = points;
    m_bold = bold;
    apply();
}

void TextFont::apply() {
    // The requested name is kept even where the system lacks the face; the
    // font system then shows its nearest match.
    QFont f(m_name);
    if (m_size > 0)
        f.setPointSizeF(double(m_size));
    f.setBold(m_bold);
    m_widget->setFont(f);
}

// ---------------------------------------------------------------- text box

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent), TextFont(this) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::onContentsChange);
}

void TextBox::onContentsChange(int, int removed, int added) {
    if (!m_suppressChange && (removed || added))
        emit Change();
}

QString TextBox::Text() const {
    if (!m_hasStandIns) {
        // One pass: each paragraph break becomes CR LF, each unmarked line
        // separator the LF it stands for.
        const QString raw = document()->toRawText();
        QString out(raw.size() + document()->blockCount() - 1, Qt::Uninitialized);
        QChar* o = out.data();
        for (const QChar c : raw) {
            if (c.unicode() == ParagraphSeparator) {
                *o++ = u'\r';
                *o++ = u'\n';
            } else {
                *o++ = c.unicode() == LineSeparator ? QChar(u'\n') : c;
            }
        }
        out.truncate(o - out.constData());
        return out;
    }
    return range(0, document()->characterCount() - 1);
}

QString TextBox::range(int from, int to) const {
    QString out;
    if (to <= from)
        return out;
    out.reserve(to - from);
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() < to;
         b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int fs = f.position();
            const int fe = fs + f.length();
            if (fe <= from)
                continue;
            if (fs >= to)
                break;
            const int s = std::max(fs, from);
            const int e = std::min(fe, to);
            const QString t = f.text();
            appendMapped(out, QStringView(t).mid(s - fs, e - s), f.charFormat());
        }
        const int separator = b.position() + b.length() - 1;
        if (b.next().isValid() && separator >= from && separator < to)
            out += QStringLiteral("\r\n");
    }
    return out;
}

void TextBox::insertMapped(QTextCursor& cursor, const QString& text) {
    const QTextCharFormat plain;
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty()) {
            cursor.insertText(run, plain);
            run.clear();
        }
    };
    const qsizetype n = text.size();
    run.reserve(std::min<qsizetype>(n, 1 << 16));
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            run += QChar(u'\n'); // a paragraph break
            ++i;
            continue;
        }
        if (c == u'\n') {
            run += QChar(LineSeparator);
            continue;
        }
        char16_t stand = standInFor(c);
        // The second half of a surrogate pair is never a kept byte.
        if (stand && QChar::isLowSurrogate(c) && i > 0 && text[i - 1].isHighSurrogate())
            stand = 0;
        if (!stand && c != 0) {
            run += QChar(c);
            continue;
        }
        flush();
        QTextCharFormat marked;
        marked.setProperty(OriginalChar, int(c));
        cursor.insertText(QString(QChar(stand)), marked);
        m_hasStandIns = true;
    }
    flush();
}

void TextBox::setText(const QString& text) {
    // Each paragraph break reads back as two characters, every other
    // character as one: a text of another length cannot be the same.
    const QTextDocument* current = document();
    if (text.size() == current->characterCount() - 1 + current->blockCount() - 1 && text == Text())
        return;
    m_suppressChange = true;
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    {
        QTextCursor c(doc);
        c.beginEditBlock();
        c.select(QTextCursor::Document);
        c.removeSelectedText();
        m_hasStandIns = false;
        insertMapped(c, text);
        c.endEditBlock();
    }
    doc->setUndoRedoEnabled(true);
    QTextCursor start(doc);
    setTextCursor(start);
    m_suppressChange = false;
    emit Change();
}

QString TextBox::SelText() const {
    const QTextCursor c = textCursor();
    return range(c.selectionStart(), c.selectionEnd());
}

void TextBox::setSelText(const QString& text) {
    QTextCursor c = textCursor();
    const bool changes = c.hasSelection() || !text.isEmpty();
    m_suppressChange = true;
    c.beginEditBlock();
    c.removeSelectedText();
    insertMapped(c, text);
    c.endEditBlock();
    m_suppressChange = false;
    setTextCursor(c);
    if (changes)
        emit Change();
}

void TextBox::SetFocus() {
    setFocus(Qt::OtherFocusReason);
}

int TextBox::Height() const {
    return heightTwips(this);
}

void TextBox::setHeight(int twipsValue) {
    resize(width(), px(twipsValue));
}

bool TextBox::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && isMenuShortcut(this, static_cast<QKeyEvent*>(e))) {
        // Leave the key to the menu.
        e->ignore();
        return true;
    }
    return QPlainTextEdit::event(e);
}

void TextBox::keyPressEvent(QKeyEvent* e) {
    if (isMenuShortcut(this, e)) {
        e->ignore();
        return;
    }
    // Typed text never takes over the mark of a stand-in next to it. Only
    // without a selection: with one, setting the format restyles the selected
    // text itself, and the stand-ins in it would lose their marks and read
    // back as themselves (a NUL as U+2400, a lone CR as a LF).
    if (!textCursor().hasSelection() && currentCharFormat().hasProperty(OriginalChar))
        setCurrentCharFormat(QTextCharFormat());
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && textCursor().hasSelection() &&
        !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        // Enter over a selection replaces it as a paste does. The editing
        // widget's own replacement loses the marks of the stand-ins in the
        // selection when it is undone (a selection reaching an empty last
        // line), and a NUL would come back as U+2400, a lone CR as a LF.
        setSelText(QStringLiteral("\r\n"));
        ensureCursorVisible();
        return;
    }
    if (enter && (e->modifiers() & Qt::ShiftModifier)) {
        // Shift+Enter starts a new line like Enter (a CR LF), not a bare break.
        QKeyEvent plain(e->type(), e->key(), e->modifiers() & ~Qt::ShiftModifier, e->text(),
                        e->isAutoRepeat(), ushort(e->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

QMimeData* TextBox::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(SelText());
    return data;
}

bool TextBox::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void TextBox::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText())
        return;
    setSelText(source->text());
    ensureCursorVisible();
}

// ---------------------------------------------------------------- single line

SingleLineTextBox::SingleLineTextBox(QWidget* parent) : QLineEdit(parent), TextFont(this) {
    connect(this, &QLineEdit::textChanged, this, &SingleLineTextBox::Change);
}

void SingleLineTextBox::setText(const QString& value) {
    if (value != text())
        QLineEdit::setText(value);
}

void SingleLineTextBox::SetFocus() {
    setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- shortcuts

bool isMenuShortcut(const QWidget* focus, const QKeyEvent* event) {
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const QKeySequence pressed(
        QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    const QWidget* window = focus->window();
    for (const QAction* a : window->findChildren<QAction*>()) {
        if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed)
            return true;
    }
    return false;
}

} // namespace pw
