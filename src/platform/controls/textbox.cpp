#include "textbox.h"

#include "units.h"

#include <QAction>
#include <QKeyEvent>

namespace pw {

namespace {

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

TextBox::TextBox(QWidget* parent) : TextArea(parent), TextFont(this) {
    connect(this, &TextArea::textChanged, this, [this] { emit Change(); });
}

void TextBox::setText(const QString& text) {
    if (text.size() == length() && text == Text())
        return;
    if (text.isEmpty()) {
        replaceRange(0, length(), QString());
        return;
    }
    resetText(text);
}

void TextBox::setSelText(const QString& text) {
    replaceRange(SelStart(), SelStart() + SelLength(), text);
    ensureCursorVisible();
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

bool TextBox::declinesKey(const QKeyEvent* e) const {
    return isMenuShortcut(this, e);
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
