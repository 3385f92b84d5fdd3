#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <functional>

namespace testing_support {

// The widget drawn alone onto a transparent image, at one pixel per point.
inline QImage renderWidget(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline int countPixels(const QImage& image, const std::function<bool(QColor)>& matches) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += matches(image.pixelColor(x, y)) ? 1 : 0;
    }
    return count;
}

// Whether `a` and `b` differ by at most `tolerance` in every channel.
inline bool near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace testing_support
