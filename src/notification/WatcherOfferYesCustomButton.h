#pragma once

#include "HVCocoaPackage/CustomButton.h"

// The uninstall button: a white title on a blue background.
class WatcherOfferYesCustomButton : public CustomButton {
    Q_OBJECT

public:
    static constexpr const char* imageName = "CustomButtonBG105";

    explicit WatcherOfferYesCustomButton(QWidget* parent = nullptr);

    std::shared_ptr<const CustomButtonStyleModifier> styleModifier() const override;
};
