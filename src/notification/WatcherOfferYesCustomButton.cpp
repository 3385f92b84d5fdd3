#include "notification/WatcherOfferYesCustomButton.h"

#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "notification/HexColor.h"
#include "notification/WatcherOfferCustomButtonStyle.h"

WatcherOfferYesCustomButton::WatcherOfferYesCustomButton(QWidget* parent) : CustomButton(parent) {}

std::shared_ptr<const CustomButtonStyleModifier>
WatcherOfferYesCustomButton::styleModifier() const {
    return WatcherOfferCustomButtonStyle::modifier(QString::fromLatin1(imageName),
                                                   QColor(Qt::white));
}
