#include "HVCocoaPackage/CustomButton.h"

#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

QSizeF pointSize(const QPixmap& pixmap) {
    return pixmap.isNull() ? QSizeF() : pixmap.deviceIndependentSize();
}

// The keys with which QAbstractButton presses a button; a disabled button
// refuses them like clicks, and lets the others (focus moves) through.
bool pressesButton(const QKeyEvent& event) {
    return event.key() == Qt::Key_Space || event.key() == Qt::Key_Select;
}

} // namespace

CustomButton::CustomButton(QWidget* parent) : QAbstractButton(parent) {}

void CustomButton::setImagePosition(CellImagePosition position) {
    m_imagePosition = position;
    m_intrinsicContentSizeCached.reset();
    updateGeometry();
    update();
}

void CustomButton::awakeFromNib() {
    if (m_isLoaded)
        return;
    m_isLoaded = true;
    m_style->font = font();
    m_style->alignment = m_alignment;
    m_style->image = m_image;
    m_style->alternateImage = m_alternateImage;
    m_style->lineBreakMode = m_lineBreakMode;
    if (const auto modifier = styleModifier())
        modifier->applyTo(*m_style);
    transferStyleToGenerators();
    refresh();
}

std::shared_ptr<const CustomButtonStyleModifier> CustomButton::styleModifier() const {
    return std::make_shared<CompoundCustomButtonStyleModifier>();
}

void CustomButton::transferStyleToGenerators() {
    const CustomButtonStyle& style = *m_style;
    ParagraphStyle paragraph;
    paragraph.alignment = style.alignment;
    paragraph.headIndent = style.headIndent;
    paragraph.firstLineHeadIndent = style.headIndent;
    // The tail indent is measured from the trailing edge, hence negative.
    paragraph.tailIndent = -style.tailIndent;
    paragraph.lineBreakMode = style.lineBreakMode;
    paragraph.tighteningFactorForTruncation = style.tighteningFactorForTruncation;
    paragraph.allowsDefaultTighteningForTruncation = style.allowsDefaultTighteningForTruncation;
    m_style->paragraphStyle = paragraph;

    for (auto* generator : {m_normalAtributika.get(), m_alternateAtributika.get()}) {
        if (style.font)
            generator->font = style.font;
        generator->baselineOffset = style.fontBaselineOffset;
        generator->underlineStyle = style.underlineStyle;
        generator->paragraphStyle = paragraph;
        if (style.kern)
            generator->kern = style.kern;
    }
    m_normalAtributika->foregroundColor = style.textColor;
    m_alternateAtributika->foregroundColor = style.alternateTextColor.value_or(style.textColor);
    m_normalAtributika->shadow = style.shadow;
    m_alternateAtributika->shadow = style.alternateShadow ? style.alternateShadow : style.shadow;
}

void CustomButton::refresh() {
    if (!m_isLoaded)
        return;
    m_attributedTitle =
        m_normalAtributika->makeAttributedString(m_normalAtributika->prepareTitle(title()));
    m_attributedAlternateTitle =
        m_alternateAtributika->makeAttributedString(m_alternateAtributika->prepareTitle(title()));
    m_drawnImage = m_style->image;
    m_drawnAlternateImage = m_style->alternateImage;
    m_alphaValue = isEnabled() ? 1.0 : m_style->alphaValueForDisabledState;
    m_backgroundStyle = m_style->backgroundStyle;
    m_intrinsicContentSizeCached.reset();
    updateGeometry();
    update();
}

void CustomButton::setTitle(const QString& title) {
    setText(title);
    refresh();
}

void CustomButton::setEnabled(bool enabled) {
    if (enabled == m_clickEnabled)
        return;
    m_clickEnabled = enabled;
    if (!enabled)
        setDown(false);
    refresh();
    updateTrackingAreas();
}

void CustomButton::setTrackingEnable(bool enable) {
    m_isTrackingEnable = enable;
    updateTrackingAreas();
}

void CustomButton::updateTrackingAreas() {
    m_hasTrackingArea = m_isTrackingEnable && isEnabled();
}

void CustomButton::setUseCursor(const std::optional<QCursor>& cursor) {
    m_useCursor = cursor;
    if (cursor)
        setCursor(*cursor);
    else
        unsetCursor();
}

QSize CustomButton::intrinsicContentSize() const {
    if (m_intrinsicContentSizeCached)
        return *m_intrinsicContentSizeCached;
    const CustomButtonStyle& style = *m_style;
    const QSizeF titleSize = m_attributedTitle.size();
    const QSizeF imageSize = pointSize(m_drawnImage);
    qreal width = titleSize.width() + 4 + style.headIndent + style.tailIndent;
    qreal height = titleSize.height();
    if (!m_drawnImage.isNull()) {
        switch (m_imagePosition) {
        case CellImagePosition::noImage:
            break;
        case CellImagePosition::imageOnly:
            width = imageSize.width();
            height = imageSize.height();
            break;
        case CellImagePosition::imageLeft:
        case CellImagePosition::imageRight:
        case CellImagePosition::imageLeading:
        case CellImagePosition::imageTrailing:
            width += imageSize.width();
            height = std::max(height, imageSize.height());
            break;
        case CellImagePosition::imageBelow:
        case CellImagePosition::imageAbove:
            width = std::max(width, imageSize.width());
            height += imageSize.height();
            break;
        case CellImagePosition::imageOverlaps:
            width = std::max(width, imageSize.width());
            height = std::max(height, imageSize.height());
            break;
        }
    }
    width += style.horizontalСontentSizeIncrease;
    if (style.minContentWidth)
        width = std::max(width, *style.minContentWidth);
    m_intrinsicContentSizeCached =
        QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)));
    return *m_intrinsicContentSizeCached;
}

void CustomButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_alphaValue >= 1.0) {
        drawContent(painter);
        return;
    }
    // The button fades as a whole, like one layer: image and title must not
    // show through each other.
    const qreal ratio = devicePixelRatioF();
    QPixmap layer(size() * ratio);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        drawContent(layerPainter);
    }
    painter.setOpacity(m_alphaValue);
    painter.drawPixmap(0, 0, layer);
}

void CustomButton::drawContent(QPainter& painter) const {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool pressed = isDown();
    const QPixmap& image =
        pressed && !m_drawnAlternateImage.isNull() ? m_drawnAlternateImage : m_drawnImage;
    const AttributedString& title = pressed ? m_attributedAlternateTitle : m_attributedTitle;

    QRectF titleArea = rect();
    if (!image.isNull() && m_imagePosition != CellImagePosition::noImage) {
        const QSizeF imageSize = pointSize(image);
        const QRectF bounds = rect();
        QRectF imageArea(QPointF(), imageSize);
        imageArea.moveCenter(bounds.center());
        CellImagePosition position = m_imagePosition;
        const bool leftToRight = layoutDirection() == Qt::LeftToRight;
        if (position == CellImagePosition::imageLeading)
            position = leftToRight ? CellImagePosition::imageLeft : CellImagePosition::imageRight;
        if (position == CellImagePosition::imageTrailing)
            position = leftToRight ? CellImagePosition::imageRight : CellImagePosition::imageLeft;
        switch (position) {
        case CellImagePosition::imageOnly:
            titleArea = QRectF();
            break;
        case CellImagePosition::imageOverlaps:
            imageArea = bounds;
            break;
        case CellImagePosition::imageLeft:
            imageArea.moveLeft(bounds.left());
            titleArea.setLeft(imageArea.right());
            break;
        case CellImagePosition::imageRight:
            imageArea.moveRight(bounds.right());
            titleArea.setRight(imageArea.left());
            break;
        case CellImagePosition::imageAbove:
            imageArea.moveTop(bounds.top());
            titleArea.setTop(imageArea.bottom());
            break;
        case CellImagePosition::imageBelow:
            imageArea.moveBottom(bounds.bottom());
            titleArea.setBottom(imageArea.top());
            break;
        default:
            break;
        }
        painter.drawPixmap(imageArea, image, QRectF(QPointF(), image.size()));
    }
    if (titleArea.isEmpty())
        return;
    const qreal titleHeight = title.heightForWidth(titleArea.width());
    const QRectF titleRect(titleArea.left(), titleArea.center().y() - titleHeight / 2,
                           titleArea.width(), titleHeight);
    painter.setClipRect(titleArea);
    title.draw(painter, titleRect);
}

void CustomButton::mousePressEvent(QMouseEvent* event) {
    if (isEnabled())
        QAbstractButton::mousePressEvent(event);
    else
        event->accept();
}

void CustomButton::mouseReleaseEvent(QMouseEvent* event) {
    if (isEnabled())
        QAbstractButton::mouseReleaseEvent(event);
    else
        event->accept();
}

void CustomButton::mouseMoveEvent(QMouseEvent* event) {
    if (isEnabled())
        QAbstractButton::mouseMoveEvent(event);
    else
        event->accept();
}

void CustomButton::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled() && pressesButton(*event))
        event->accept();
    else
        QAbstractButton::keyPressEvent(event);
}

void CustomButton::keyReleaseEvent(QKeyEvent* event) {
    if (!isEnabled() && pressesButton(*event))
        event->accept();
    else
        QAbstractButton::keyReleaseEvent(event);
}

void CustomButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (m_hasTrackingArea && isActiveWindow())
        mouseEntered();
}

void CustomButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (m_hasTrackingArea && isActiveWindow())
        mouseExited();
}
