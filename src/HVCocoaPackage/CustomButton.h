#pragma once

#include "HVCocoaPackage/AttributedString.h"
#include "HVCocoaPackage/CustomButtonStyle.h"
#include "HVCocoaPackage/CustomButtonStyleModifier.h"
#include "HVCocoaPackage/EmptyCustomButtonAttributedStringGenerator.h"

#include <QAbstractButton>
#include <QCursor>
#include <QPixmap>
#include <memory>
#include <optional>

// A push button that draws its title as styled text built from a
// CustomButtonStyle. Subclasses draw nothing themselves: they name a style
// modifier, which edits the style once, when the button loads.
//
// The owner lays the button out (font, alignment, images, line-break mode) and
// then calls awakeFromNib(). Until then title and enabled changes are only stored.
//
// The button keeps its own enabled state: a disabled button refuses clicks but
// stays enabled to Qt, so it is never greyed; it is drawn at the style's
// alphaValueForDisabledState instead. Use isEnabled() and setEnabled() of this
// class, not QWidget's.
class CustomButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CustomButton(QWidget* parent = nullptr);

    // Properties of the button as laid out, copied into the style on loading.
    void setImage(const QPixmap& image) { m_image = image; }
    const QPixmap& image() const { return m_image; }
    void setAlternateImage(const QPixmap& image) { m_alternateImage = image; }
    const QPixmap& alternateImage() const { return m_alternateImage; }
    void setAlignment(TextAlignment alignment) { m_alignment = alignment; }
    TextAlignment alignment() const { return m_alignment; }
    void setLineBreakMode(LineBreakMode mode) { m_lineBreakMode = mode; }
    LineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setImagePosition(CellImagePosition position);
    CellImagePosition imagePosition() const { return m_imagePosition; }

    // Loads the style: copies the laid-out properties into it, applies the
    // class's style modifier, and draws the title with it from now on.
    void awakeFromNib();
    bool isLoaded() const { return m_isLoaded; }

    // The style record (named so because QWidget::style() is Qt's widget style).
    const std::shared_ptr<CustomButtonStyle>& buttonStyle() const { return m_style; }
    const std::shared_ptr<EmptyCustomButtonAttributedStringGenerator>& normalAtributika() const {
        return m_normalAtributika;
    }
    const std::shared_ptr<EmptyCustomButtonAttributedStringGenerator>& alternateAtributika() const {
        return m_alternateAtributika;
    }

    QString title() const { return text(); }
    void setTitle(const QString& title);

    // The titles as drawn, normal and pressed; empty before loading.
    const AttributedString& attributedTitle() const { return m_attributedTitle; }
    const AttributedString& attributedAlternateTitle() const { return m_attributedAlternateTitle; }

    bool isEnabled() const { return m_clickEnabled; }
    void setEnabled(bool enabled);

    // The opacity the button is drawn with.
    qreal alphaValue() const { return m_alphaValue; }
    BackgroundStyle backgroundStyle() const { return m_backgroundStyle; }

    QSize intrinsicContentSize() const;
    QSize sizeHint() const override { return intrinsicContentSize(); }
    QSize minimumSizeHint() const override { return intrinsicContentSize(); }

    const std::optional<QCursor>& useCursor() const { return m_useCursor; }
    void setUseCursor(const std::optional<QCursor>& cursor);

    // With tracking on, an enabled button hears mouseEntered() and mouseExited()
    // while its window is active.
    bool isTrackingEnable() const { return m_isTrackingEnable; }
    void setTrackingEnable(bool enable);
    bool hasTrackingArea() const { return m_hasTrackingArea; }

    // The changes this class makes to a loaded style; none here.
    virtual std::shared_ptr<const CustomButtonStyleModifier> styleModifier() const;

protected:
    virtual void mouseEntered() {}
    virtual void mouseExited() {}

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawContent(QPainter& painter) const;
    void transferStyleToGenerators();
    void refresh();
    void updateTrackingAreas();

    std::shared_ptr<CustomButtonStyle> m_style{std::make_shared<CustomButtonStyle>()};
    std::shared_ptr<EmptyCustomButtonAttributedStringGenerator> m_normalAtributika{
        std::make_shared<EmptyCustomButtonAttributedStringGenerator>()};
    std::shared_ptr<EmptyCustomButtonAttributedStringGenerator> m_alternateAtributika{
        std::make_shared<EmptyCustomButtonAttributedStringGenerator>()};
    bool m_isLoaded{false};
    bool m_clickEnabled{true};
    mutable std::optional<QSize> m_intrinsicContentSizeCached;
    std::optional<QCursor> m_useCursor;
    bool m_hasTrackingArea{false};
    bool m_isTrackingEnable{false};

    QPixmap m_image;
    QPixmap m_alternateImage;
    TextAlignment m_alignment{TextAlignment::natural};
    LineBreakMode m_lineBreakMode{LineBreakMode::clipping};
    CellImagePosition m_imagePosition{CellImagePosition::imageOverlaps};

    AttributedString m_attributedTitle;
    AttributedString m_attributedAlternateTitle;
    QPixmap m_drawnImage;
    QPixmap m_drawnAlternateImage;
    qreal m_alphaValue{1.0};
    BackgroundStyle m_backgroundStyle{BackgroundStyle::normal};
};
