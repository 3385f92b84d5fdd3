#pragma once

#include "HVCocoaPackage/CustomButtonStyleModifier.h"

#include <memory>
#include <vector>

// Applies its modifiers in order, so a later one wins where two set the same field.
class CompoundCustomButtonStyleModifier : public CustomButtonStyleModifier {
public:
    CompoundCustomButtonStyleModifier() = default;
    explicit CompoundCustomButtonStyleModifier(
        std::vector<std::shared_ptr<const CustomButtonStyleModifier>> modifiers);

    const std::vector<std::shared_ptr<const CustomButtonStyleModifier>>& modifiers() const {
        return m_modifiers;
    }

    void applyTo(CustomButtonStyle& style) const override;

private:
    std::vector<std::shared_ptr<const CustomButtonStyleModifier>> m_modifiers;
};
