// Draws the notification panel's bitmaps at one and two pixels per point:
//
//   CustomButtonBG105[_click]   the uninstall button, normal and pressed
//   CustomButtonBG104[_click]   the "Ignore" button, normal and pressed
//   GenericApplicationIcon      shown for an application whose icon cannot be read
//   HelperApplicationIcon       the helper's own icon, shown for several applications
//
// Usage: sweepwise-panel-images <output folder>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

// Buttons are stretched to their frame, so the corners only need to survive a few
// points of stretching; 160 x 28 is the wider of the two frames the panel uses.
constexpr QSizeF kButtonSize(160, 28);
constexpr qreal kButtonRadius = 7;
constexpr QSizeF kIconSize(128, 128);

using Drawing = std::function<void(QPainter&, QSizeF)>;

struct ButtonLook {
    QColor top;
    QColor bottom;
    QColor border;
    QColor highlight;
    QColor shadow;
};

// The visible body of a button stands on a soft shadow that takes the last points
// of the image; the titles are raised by as much, so that they sit in the body's middle.
constexpr qreal kShadowDepth = 4;

void drawButton(QPainter& painter, QSizeF size, const ButtonLook& look) {
    const QRectF body(1, 0.5, size.width() - 2, size.height() - kShadowDepth);
    for (int step = 4; step >= 1; --step) {
        QPainterPath shadow;
        const qreal spread = step * 0.5;
        shadow.addRoundedRect(body.adjusted(-spread, 1 - spread, spread, 1 + spread),
                              kButtonRadius + spread, kButtonRadius + spread);
        QColor colour = look.shadow;
        colour.setAlphaF(look.shadow.alphaF() / (step * 1.6));
        painter.fillPath(shadow, colour);
    }

    QPainterPath outerPath;
    outerPath.addRoundedRect(body, kButtonRadius, kButtonRadius);
    painter.fillPath(outerPath, look.border);

    // A one-point border around a vertical gradient, with a faint light line
    // under the top edge so that the button reads as slightly raised.
    const QRectF inner = body.adjusted(1, 1, -1, -1);
    QPainterPath innerPath;
    innerPath.addRoundedRect(inner, kButtonRadius - 1, kButtonRadius - 1);
    QLinearGradient fill(inner.topLeft(), inner.bottomLeft());
    fill.setColorAt(0, look.top);
    fill.setColorAt(1, look.bottom);
    painter.fillPath(innerPath, fill);

    painter.save();
    painter.setClipPath(innerPath);
    painter.setPen(QPen(look.highlight, 1));
    painter.drawLine(QPointF(inner.left() + kButtonRadius, inner.top() + 0.5),
                     QPointF(inner.right() - kButtonRadius, inner.top() + 0.5));
    painter.restore();
}

// The rounded square every application icon of the platform sits in, with the
// transparent margin and soft shadow such icons have.
QPainterPath iconTile(QSizeF size) {
    const QRectF tile = QRectF(QPointF(0, 0), size).adjusted(12, 10, -12, -14);
    QPainterPath path;
    path.addRoundedRect(tile, tile.width() * 0.225, tile.height() * 0.225);
    return path;
}

void drawTileShadow(QPainter& painter, const QPainterPath& tile) {
    // Stacked translucent copies approximate a blurred shadow below the tile.
    for (int step = 6; step >= 1; --step) {
        QPainterPath shadow = tile;
        shadow.translate(0, 2.0 + step * 0.5);
        painter.setPen(QPen(QColor(0, 0, 0, 10), step * 1.6));
        painter.setBrush(QColor(0, 0, 0, 6));
        painter.drawPath(shadow);
    }
}

void drawTile(QPainter& painter, const QPainterPath& tile, QColor top, QColor bottom) {
    drawTileShadow(painter, tile);
    const QRectF bounds = tile.boundingRect();
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.fillPath(tile, fill);
    painter.save();
    painter.setClipPath(tile);
    QRadialGradient sheen(bounds.center().x(), bounds.top(), bounds.width() * 0.9);
    sheen.setColorAt(0, QColor(255, 255, 255, 60));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(bounds, sheen);
    painter.restore();
    painter.setPen(QPen(QColor(0, 0, 0, 40), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tile);
}

void drawGenericApplicationIcon(QPainter& painter, QSizeF size) {
    const QPainterPath tile = iconTile(size);
    drawTile(painter, tile, QColor(0xA9, 0xB8, 0xCC), QColor(0x6E, 0x82, 0x9C));
    // Four rounded squares: the usual sign for "an application".
    const QRectF bounds = tile.boundingRect();
    const qreal cell = bounds.width() * 0.2;
    const qreal gap = bounds.width() * 0.07;
    const QPointF origin(bounds.center().x() - cell - gap / 2,
                         bounds.center().y() - cell - gap / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 235));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QRectF square(origin.x() + column * (cell + gap), origin.y() + row * (cell + gap),
                                cell, cell);
            painter.drawRoundedRect(square, cell * 0.28, cell * 0.28);
        }
    }
}

void drawHelperApplicationIcon(QPainter& painter, QSizeF size) {
    const QPainterPath tile = iconTile(size);
    drawTile(painter, tile, QColor(0x4C, 0x9A, 0xFF), QColor(0x1E, 0x5F, 0xD9));
    const QRectF bounds = tile.boundingRect();
    const qreal unit = bounds.width() / 100.0;
    const QPointF centre = bounds.center();
    const QColor white(255, 255, 255, 240);

    // A bin: lid with handle, tapered body and three grooves.
    painter.setPen(Qt::NoPen);
    painter.setBrush(white);
    painter.drawRoundedRect(
        QRectF(centre.x() - 30 * unit, centre.y() - 28 * unit, 60 * unit, 8 * unit), 3 * unit,
        3 * unit);
    painter.setPen(QPen(white, 5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(
        QRectF(centre.x() - 9 * unit, centre.y() - 35 * unit, 18 * unit, 9 * unit), 3 * unit,
        3 * unit);
    QPainterPath body;
    body.moveTo(centre.x() - 24 * unit, centre.y() - 16 * unit);
    body.lineTo(centre.x() + 24 * unit, centre.y() - 16 * unit);
    body.lineTo(centre.x() + 19 * unit, centre.y() + 32 * unit);
    body.lineTo(centre.x() - 19 * unit, centre.y() + 32 * unit);
    body.closeSubpath();
    painter.setPen(QPen(white, 4 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(white);
    painter.drawPath(body);
    painter.setPen(QPen(QColor(0x2A, 0x6F, 0xE6), 4 * unit, Qt::SolidLine, Qt::RoundCap));
    for (int groove = -1; groove <= 1; ++groove) {
        const qreal x = centre.x() + groove * 10 * unit;
        painter.drawLine(QPointF(x, centre.y() - 6 * unit),
                         QPointF(x * 0.97 + centre.x() * 0.03, centre.y() + 23 * unit));
    }
}

bool render(const QString& folder, const QString& name, QSizeF size, const Drawing& draw) {
    for (const int scale : {1, 2}) {
        QImage image((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(scale, scale);
            draw(painter, size);
        }
        const QString file = folder + QLatin1Char('/') + name +
                             (scale == 2 ? QLatin1String("@2x") : QString()) +
                             QLatin1String(".png");
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    // The palette's button colours, with a slight fall of light from the top.
    const ButtonLook yes{QColor(0x1A, 0x88, 0xFF), QColor(0x00, 0x7A, 0xFF),
                         QColor(0x00, 0x6C, 0xE6), QColor(255, 255, 255, 60),
                         QColor(0x00, 0x5C, 0xC2, 110)};
    const ButtonLook yesPressed{QColor(0x0A, 0x70, 0xE0), QColor(0x00, 0x68, 0xD9),
                                QColor(0x00, 0x5C, 0xC2), QColor(255, 255, 255, 25),
                                QColor(0x00, 0x5C, 0xC2, 60)};
    const ButtonLook no{QColor(0xF3, 0xF7, 0xFC), QColor(0xEC, 0xF2, 0xFA),
                        QColor(0xCC, 0xD8, 0xE8), QColor(255, 255, 255, 200),
                        QColor(0x4F, 0x6B, 0xB3, 45)};
    const ButtonLook noPressed{QColor(0xDC, 0xE4, 0xEF), QColor(0xD5, 0xDE, 0xEA),
                               QColor(0xBC, 0xC9, 0xDB), QColor(255, 255, 255, 80),
                               QColor(0x4F, 0x6B, 0xB3, 25)};

    const auto button = [](const ButtonLook& look) {
        return [look](QPainter& painter, QSizeF size) { drawButton(painter, size, look); };
    };
    const bool written =
        render(folder, "CustomButtonBG105", kButtonSize, button(yes)) &&
        render(folder, "CustomButtonBG105_click", kButtonSize, button(yesPressed)) &&
        render(folder, "CustomButtonBG104", kButtonSize, button(no)) &&
        render(folder, "CustomButtonBG104_click", kButtonSize, button(noPressed)) &&
        render(folder, "GenericApplicationIcon", kIconSize, drawGenericApplicationIcon) &&
        render(folder, "HelperApplicationIcon", kIconSize, drawHelperApplicationIcon);
    return written ? 0 : 1;
}
