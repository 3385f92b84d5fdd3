#include "notification/ImageView.h"

#include <QPainter>

ImageView::ImageView(QWidget* parent) : QWidget(parent) {}

void ImageView::setImage(const QImage& image) {
    if (image == m_image)
        return;
    m_image = image;
    m_scaled = QPixmap();
    update();
}

void ImageView::paintEvent(QPaintEvent*) {
    if (m_image.isNull() || width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QSizeF fitted = QSizeF(m_image.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QSizeF points = fitted;
    const QSize pixels = (points * ratio).toSize();
    if (m_scaled.size() != pixels || m_scaled.devicePixelRatio() != ratio) {
        m_scaled = QPixmap::fromImage(
            m_image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    const QPointF origin((width() - points.width()) / 2, (height() - points.height()) / 2);
    painter.drawPixmap(origin, m_scaled);
}
