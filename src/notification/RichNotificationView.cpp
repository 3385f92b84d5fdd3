#include "notification/RichNotificationView.h"

#include "notification/FigmaPalette.h"

#include <QPainter>
#include <QPainterPath>

RichNotificationView::RichNotificationView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void RichNotificationView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();

    QPainterPath outer;
    outer.addRoundedRect(bounds, richNotificationCornerRadius, richNotificationCornerRadius);
    painter.fillPath(outer, FigmaPalette::colorForFigmaColor(FigmaColor::stroke1));

    // The interior keeps the outer radius rather than one point less, so the border
    // is slightly wider along the diagonals of the corners.
    QPainterPath inner;
    inner.addRoundedRect(bounds.adjusted(borderWidth, borderWidth, -borderWidth, -borderWidth),
                         richNotificationCornerRadius, richNotificationCornerRadius);
    painter.fillPath(inner, FigmaPalette::colorForFigmaColor(FigmaColor::bg10));
}
