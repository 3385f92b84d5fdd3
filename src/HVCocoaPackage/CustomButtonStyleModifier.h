#pragma once

struct CustomButtonStyle;

// A list of changes to a button style, applied once when the button loads.
class CustomButtonStyleModifier {
public:
    virtual ~CustomButtonStyleModifier() = default;

    virtual void applyTo(CustomButtonStyle& style) const = 0;
};
