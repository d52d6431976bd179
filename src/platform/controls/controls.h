#pragma once
// The simple controls: label, command button and shape.

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace pw {

class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget* parent, const QString& caption);
    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
};

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(QWidget* parent, const QString& caption);
    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

signals:
    void Click();
};

// A filled rectangle drawn on the window's surface, below every control.
class Shape : public QWidget {
    Q_OBJECT
public:
    Shape(QWidget* parent, const QColor& fill);
    bool Visible() const { return !isHidden(); }
    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
};

} // namespace pw
