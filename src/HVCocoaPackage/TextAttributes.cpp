#include "HVCocoaPackage/TextAttributes.h"

namespace {

template <typename T> void take(std::optional<T>& mine, const std::optional<T>& theirs) {
    if (theirs)
        mine = theirs;
}

} // namespace

void TextAttributes::overlay(const TextAttributes& over) {
    take(font, over.font);
    take(foregroundColor, over.foregroundColor);
    take(kern, over.kern);
    take(baselineOffset, over.baselineOffset);
    take(underlineStyle, over.underlineStyle);
    take(paragraphStyle, over.paragraphStyle);
    take(shadow, over.shadow);
}
