#pragma once

#include "HVCocoaPackage/CustomButtonStyle.h"
#include "HVCocoaPackage/CustomButtonStyleModifier.h"

#include <functional>

// A modifier made from one action that edits the style.
class CustomButtonStyleModifierImp : public CustomButtonStyleModifier {
public:
    using Action = std::function<void(CustomButtonStyle&)>;

    explicit CustomButtonStyleModifierImp(Action action) : m_action(std::move(action)) {}

    void applyTo(CustomButtonStyle& style) const override {
        if (m_action)
            m_action(style);
    }

private:
    Action m_action;
};
