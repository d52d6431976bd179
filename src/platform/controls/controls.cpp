#include "controls.h"

#include <QPainter>

namespace pw {

Label::Label(QWidget* parent, const QString& caption) : QLabel(caption, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
}

CommandButton::CommandButton(QWidget* parent, const QString& caption)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &CommandButton::Click);
}

Shape::Shape(QWidget* parent, const QColor& fill) : QWidget(parent), m_fill(fill) {
    // The surface's mouse movements pass through the bar to the window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setVisible(bool visible) {
    QWidget::setVisible(visible);
    if (visible)
        lower();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_fill);
}

} // namespace pw
