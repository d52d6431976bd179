#pragma once
// The text box. Its Text is exactly what was set, character for character:
// CR LF is a line break, a lone LF breaks the line too, and a lone CR, NUL
// and any other character are kept as they are (drawn as visible marks where
// they would not show). The text area underneath stores the characters
// themselves, so reading the text back is a plain copy.

#include "platform/text/textarea.h"

#include <QLineEdit>
namespace pw {

// Font and colour properties shared by both kinds of text box.
class TextFont {
public:
    explicit TextFont(QWidget* widget) : m_widget(widget) {}

    QString FontName() const { return m_name; }
    void setFontName(const QString& name);
    float FontSize() const { return m_size; }
    void setFontSize(float points);
    bool FontBold() const { return m_bold; }
    void setFontBold(bool bold);
    // 0x00BBGGRR, red in the low byte.
    qint32 ForeColor() const { return m_color; }
    void setForeColor(qint32 color);

    // Sets all four without applying each one separately.
    void initFont(const QString& name, float points, bool bold);

private:
    void apply();

    QWidget* m_widget;
    QString m_name;
    float m_size = 8.0f;
    bool m_bold = false;
    qint32 m_color = 0;
};

// The multi-line text box: wraps at its width, vertical scroll bar only.
class TextBox : public TextArea, public TextFont {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent);

    QString Text() const { return text(); }
    // Emptying the text is a step that Ctrl+Z undoes; any other text (a
    // file opened, for one) starts a fresh undo history.
    void setText(const QString& text);
    QString SelText() const { return selectedText(); }
    // Replaces the selection, or inserts at the caret when nothing is selected.
    void setSelText(const QString& text);
    void SetFocus();

    int Height() const;
    void setHeight(int twips);

signals:
    // Every change of Text, by the user or by code; none when Text is set to
    // what it already holds.
    void Change();

protected:
    bool declinesKey(const QKeyEvent* e) const override;
};

// The single-line text box of the dialogs.
class SingleLineTextBox : public QLineEdit, public TextFont {
    Q_OBJECT
public:
    explicit SingleLineTextBox(QWidget* parent);

    QString Text() const { return text(); }
    void setText(const QString& value);
    void SetFocus();

signals:
    void Change();
};

// True when the key event is a shortcut of one of the window's menu commands;
// such keys go to the menu, never to the control that has the focus.
bool isMenuShortcut(const QWidget* focus, const QKeyEvent* event);

} // namespace pw
