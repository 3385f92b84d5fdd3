#pragma once

#include "notification/ColorAssets.h"
#include "notification/FigmaColor.h"

#include <QColor>
#include <optional>
#include <string_view>

// The colours of the numbered palette.
class FigmaPalette {
public:
    struct Entry {
        std::string_view assetName;
        // Used when the asset is missing, as 8 hexadecimal digits RRGGBBAA.
        std::string_view fallback;
    };

    static constexpr int kAssetCount = 114;

    // The asset of a palette value; none for `clear` and for values outside the palette.
    static std::optional<Entry> entry(FigmaColor color);

    // The colour for the application's current appearance.
    static QColor colorForFigmaColor(FigmaColor color);

    // The colour from the given assets, falling back to the entry's hex value
    // when they have none. A value outside the palette is a programming error;
    // it is logged and gives `clear`.
    static QColor colorForFigmaColor(FigmaColor color, const ColorAssets& assets,
                                     Appearance appearance);
};
