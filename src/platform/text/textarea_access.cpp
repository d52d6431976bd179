// What screen readers see of the text area: the text, the caret and the
// selection, where each character is drawn, the face, size, weight and colour
// of the text, and editing by insert, delete and replace.

#include "textarea.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <limits>

namespace pw {

class TextAreaAccessible final : public QAccessibleWidget,
                                 public QAccessibleTextInterface,
                                 public QAccessibleEditableTextInterface {
public:
    explicit TextAreaAccessible(TextArea* area)
        : QAccessibleWidget(area, QAccessible::EditableText) {}

    TextArea* area() const { return static_cast<TextArea*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return area()->text();
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString& value) override {
        if (t != QAccessible::Value)
            return QAccessibleWidget::setText(t, value);
        area()->replaceRange(0, area()->length(), value);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    // ---- text
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index == 0 && area()->SelLength() > 0) {
            *start = int(area()->SelStart());
            *end = int(area()->SelStart() + area()->SelLength());
        }
    }
    int selectionCount() const override { return area()->SelLength() > 0 ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0)
            area()->setCursorPosition(area()->cursorPosition());
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0)
            area()->setSelection(start, end - start);
    }
    int cursorPosition() const override { return int(area()->cursorPosition()); }
    void setCursorPosition(int position) override { area()->setCursorPosition(position); }
    QString text(int start, int end) const override { return area()->textRange(start, end); }
    int characterCount() const override { return int(area()->length()); }

    QRect characterRect(int offset) const override {
        const QRect r = area()->characterRect(offset);
        if (!r.isValid())
            return {};
        return QRect(area()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    int offsetAtPoint(const QPoint& point) const override {
        const QPoint p = area()->viewport()->mapFromGlobal(point);
        if (!area()->viewport()->rect().contains(p))
            return -1;
        return int(area()->positionAt(p));
    }

    void scrollToSubstring(int start, int) override { area()->setCursorPosition(start); }

    QString attributes(int offset, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        if (offset < 0 || offset > characterCount())
            *start = *end = -1;
        const QFont f = area()->font();
        const QColor c = area()->palette().color(QPalette::Text);
        QString family = f.family();
        family.replace(u'\\', QLatin1String("\\\\"))
            .replace(u':', QLatin1String("\\:"))
            .replace(u';', QLatin1String("\\;"));
        return QStringLiteral(
                   "font-family:\"%1\";font-size:%2pt;font-weight:%3;color:rgb(%4,%5,%6);")
            .arg(family)
            .arg(f.pointSizeF())
            .arg(f.bold() ? 700 : 400)
            .arg(c.red())
            .arg(c.green())
            .arg(c.blue());
    }

    // ---- editable text
    void deleteText(int start, int end) override { area()->replaceRange(start, end, QString()); }
    void insertText(int offset, const QString& text) override {
        area()->replaceRange(offset, offset, text);
    }
    void replaceText(int start, int end, const QString& text) override {
        area()->replaceRange(start, end, text);
    }
};

// ---------------------------------------------------------------- events

namespace {

// Screen readers count characters in int.
int offset(qsizetype pos) {
    return int(std::min<qsizetype>(pos, std::numeric_limits<int>::max()));
}

} // namespace

// What an edit is about to take out, for the delete event that follows it.
void TextArea::tellReadersRemoving(qsizetype pos, qsizetype len) {
    m_removedText.clear();
    if (len > 0 && QAccessible::isActive())
        m_removedText = m_store.mid(pos, len);
}

void TextArea::tellReadersEdited(qsizetype pos, qsizetype removed, qsizetype added) {
    if (QAccessible::isActive()) {
        if (removed) {
            QAccessibleTextRemoveEvent ev(this, offset(pos), m_removedText);
            QAccessible::updateAccessibility(&ev);
        }
        if (added) {
            QAccessibleTextInsertEvent ev(this, offset(pos), m_store.mid(pos, added));
            QAccessible::updateAccessibility(&ev);
        }
    }
    m_removedText.clear();
}

// A new text: the old one went, all of it, and the new one came.
void TextArea::tellReadersReset() {
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, 0, m_removedText, m_store.text());
        QAccessible::updateAccessibility(&ev);
    }
    m_removedText.clear();
}

// Every move of the caret, with a selection or without; and the selection
// when it changed, also when it went away.
void TextArea::tellReadersCaret() {
    const bool selected = SelLength() > 0;
    const qsizetype start = selected ? SelStart() : -1;
    const qsizetype end = selected ? SelStart() + SelLength() : -1;
    const bool selectionChanged = start != m_toldSelStart || end != m_toldSelEnd;
    m_toldSelStart = start;
    m_toldSelEnd = end;
    if (!QAccessible::isActive())
        return;
    if (selectionChanged) {
        QAccessibleTextSelectionEvent sel(this, offset(std::max<qsizetype>(start, 0)),
                                          offset(std::max<qsizetype>(end, 0)));
        sel.setCursorPosition(offset(m_caret));
        QAccessible::updateAccessibility(&sel);
    }
    QAccessibleTextCursorEvent ev(this, offset(m_caret));
    QAccessible::updateAccessibility(&ev);
}

QAccessibleInterface* textAreaAccessible(QObject* object) {
    if (auto* area = qobject_cast<TextArea*>(object))
        return new TextAreaAccessible(area);
    return nullptr;
}

} // namespace pw
