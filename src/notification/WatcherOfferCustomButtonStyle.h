#pragma once

#include <QColor>
#include <QString>
#include <memory>

class CompoundCustomButtonStyleModifier;

// The look the notification's two buttons share: the title raised by 2 points and
// kept 15 points from either edge, over the background image named `imageName`
// ("<imageName>_click" while pressed), in `textColor`.
class WatcherOfferCustomButtonStyle {
public:
    static constexpr float fontBaselineOffset = 2.0f;
    static constexpr qreal indent = 15;

    static std::shared_ptr<const CompoundCustomButtonStyleModifier>
    modifier(const QString& imageName, const QColor& textColor);
};
