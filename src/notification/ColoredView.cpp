#include "notification/ColoredView.h"

#include <QPainter>

ColoredView::ColoredView(QWidget* parent) : QWidget(parent) {}

void ColoredView::setBackgroundColor(const QColor& color) {
    m_backgroundColor = color;
    update();
}

void ColoredView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_backgroundColor);
}
