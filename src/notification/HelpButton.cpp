#include "notification/HelpButton.h"

#include "notification/FigmaPalette.h"

#include <QPainter>

HelpButton::HelpButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void HelpButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = FigmaPalette::colorForFigmaColor(FigmaColor::text7);
    if (isDown())
        color = color.darker(130);
    const QRectF circle = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    painter.setPen(QPen(color, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);

    QFont mark = font();
    mark.setPixelSize(qRound(height() * 0.7));
    mark.setWeight(QFont::DemiBold);
    painter.setFont(mark);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("?"));
}
