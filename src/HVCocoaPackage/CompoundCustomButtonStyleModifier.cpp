#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"

CompoundCustomButtonStyleModifier::CompoundCustomButtonStyleModifier(
    std::vector<std::shared_ptr<const CustomButtonStyleModifier>> modifiers)
    : m_modifiers(std::move(modifiers)) {}

void CompoundCustomButtonStyleModifier::applyTo(CustomButtonStyle& style) const {
    for (const auto& modifier : m_modifiers) {
        if (modifier)
            modifier->applyTo(style);
    }
}
