#pragma once

#include "HVCocoaPackage/CustomButtonStyleModifier.h"

#include <QPixmap>

// Sets the style's images, but only those that were given to the modifier; a
// null pixmap given on purpose removes the style's image.
class CustomButtonImageModifier : public CustomButtonStyleModifier {
public:
    const QPixmap& image() const { return m_image; }
    void setImage(const QPixmap& image);
    const QPixmap& alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QPixmap& image);

    bool imageWasChanged() const { return m_imageWasChanged; }
    bool alternateImageWasChanged() const { return m_alternateImageWasChanged; }

    void applyTo(CustomButtonStyle& style) const override;

private:
    QPixmap m_image;
    QPixmap m_alternateImage;
    bool m_imageWasChanged{false};
    bool m_alternateImageWasChanged{false};
};
