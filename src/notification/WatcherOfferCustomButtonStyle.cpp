#include "notification/WatcherOfferCustomButtonStyle.h"

#include "HVCocoaPackage/CompoundCustomButtonStyleModifier.h"
#include "HVCocoaPackage/CustomButtonImageModifier.h"
#include "HVCocoaPackage/CustomButtonStyleDefaultModifier.h"
#include "HVCocoaPackage/CustomButtonStyleModifierImp.h"
#include "notification/ImageAssets.h"

std::shared_ptr<const CompoundCustomButtonStyleModifier>
WatcherOfferCustomButtonStyle::modifier(const QString& imageName, const QColor& textColor) {
    auto images = std::make_shared<CustomButtonImageModifier>();
    images->setImage(ImageAssets::imageNamed(imageName));
    images->setAlternateImage(ImageAssets::imageNamed(imageName + QStringLiteral("_click")));
    return std::make_shared<CompoundCustomButtonStyleModifier>(
        std::vector<std::shared_ptr<const CustomButtonStyleModifier>>{
            CustomButtonStyleDefaultModifier::fontBaselineOffset(fontBaselineOffset),
            std::make_shared<CustomButtonStyleModifierImp>([](CustomButtonStyle& style) {
                style.headIndent = indent;
                style.tailIndent = indent;
            }),
            images,
            CustomButtonStyleDefaultModifier::textColor(textColor),
        });
}
