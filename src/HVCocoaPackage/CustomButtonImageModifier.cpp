#include "HVCocoaPackage/CustomButtonImageModifier.h"

#include "HVCocoaPackage/CustomButtonStyle.h"

void CustomButtonImageModifier::setImage(const QPixmap& image) {
    m_image = image;
    m_imageWasChanged = true;
}

void CustomButtonImageModifier::setAlternateImage(const QPixmap& image) {
    m_alternateImage = image;
    m_alternateImageWasChanged = true;
}

void CustomButtonImageModifier::applyTo(CustomButtonStyle& style) const {
    if (m_imageWasChanged)
        style.image = m_image;
    if (m_alternateImageWasChanged)
        style.alternateImage = m_alternateImage;
}
