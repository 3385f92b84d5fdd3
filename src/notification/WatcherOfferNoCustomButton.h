#pragma once

#include "HVCocoaPackage/CustomButton.h"

// The "Ignore" button: a blue title on a pale background.
class WatcherOfferNoCustomButton : public CustomButton {
    Q_OBJECT

public:
    static constexpr const char* imageName = "CustomButtonBG104";

    explicit WatcherOfferNoCustomButton(QWidget* parent = nullptr);

    std::shared_ptr<const CustomButtonStyleModifier> styleModifier() const override;
};
