#include "HVCocoaPackage/EmptyCustomButtonAttributedStringGenerator.h"

AttributedString
EmptyCustomButtonAttributedStringGenerator::makeAttributedString(const QString& title) const {
    TextAttributes attributes;
    attributes.font = font;
    attributes.foregroundColor = foregroundColor;
    attributes.baselineOffset = baselineOffset;
    attributes.underlineStyle = underlineStyle;
    attributes.paragraphStyle = paragraphStyle;
    attributes.kern = kern;
    attributes.shadow = shadow;
    return AttributedString(title, attributes);
}
