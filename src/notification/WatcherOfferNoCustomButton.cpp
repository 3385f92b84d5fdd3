#include "notification/WatcherOfferNoCustomButton.h"

#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "notification/HexColor.h"
#include "notification/WatcherOfferCustomButtonStyle.h"

WatcherOfferNoCustomButton::WatcherOfferNoCustomButton(QWidget* parent) : CustomButton(parent) {}

std::shared_ptr<const CustomButtonStyleModifier> WatcherOfferNoCustomButton::styleModifier() const {
    const auto textColor = HexColor::colorWithHexString("4F6BB3");
    return WatcherOfferCustomButtonStyle::modifier(QString::fromLatin1(imageName),
                                                   textColor ? *textColor : QColor());
}
