#pragma once
// The text box. Its Text is exactly what was set, character for character:
// CR LF is a line break, and a lone CR, a lone LF, NUL and any other character
// are kept as they are. The editing widget underneath only knows paragraphs,
// so characters it cannot hold are stored as a visible stand-in marked with
// the original character, and mapped back when the text is read.

#include <QLineEdit>
#include <QPlainTextEdit>

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
class TextBox : public QPlainTextEdit, public TextFont {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent);

    QString Text() const;
    void setText(const QString& text);
    QString SelText() const;
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
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    QString range(int from, int to) const;
    void insertMapped(QTextCursor& cursor, const QString& text);
    void onContentsChange(int position, int removed, int added);

    bool m_suppressChange = false;
    // Whether the document may hold stand-ins; while it does not, the text is
    // read back in one piece.
    bool m_hasStandIns = false;
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
