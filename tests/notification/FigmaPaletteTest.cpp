#include "notification/FigmaPalette.h"

#include "notification/HexColor.h"

#include <gtest/gtest.h>
#include <string>

TEST(FigmaPalette, EveryColourHasAShippedLightAndDarkAssetAndAParsableFallback) {
    const ColorAssets& assets = ColorAssets::shared();
    EXPECT_EQ(assets.count(), static_cast<std::size_t>(FigmaPalette::kAssetCount));
    for (int value = 0; value < FigmaPalette::kAssetCount; ++value) {
        const auto entry = FigmaPalette::entry(static_cast<FigmaColor>(value));
        ASSERT_TRUE(entry) << value;
        EXPECT_TRUE(assets.colorNamed(entry->assetName, Appearance::light)) << entry->assetName;
        EXPECT_TRUE(assets.colorNamed(entry->assetName, Appearance::dark)) << entry->assetName;
        EXPECT_TRUE(HexColor::colorWithHexStringNotCacheable(entry->fallback)) << entry->assetName;
    }
    for (const int value : {114, -1})
        EXPECT_EQ(FigmaPalette::colorForFigmaColor(static_cast<FigmaColor>(value)),
                  QColor(255, 255, 255, 0));
}

TEST(ColorAssets, DamagedEntriesAreLeftOutAndMissingOnesFallBackToTheHexValue) {
    const ColorAssets assets = ColorAssets::fromJson(R"({
        "bg_10": {"light": "#010203", "dark": "#040506"},
        "no_dark": {"light": "010203"},
        "bad_hex": {"light": "12345", "dark": "010203"},
        "number": {"light": 5, "dark": "010203"},
        "text": "010203"
    })");
    EXPECT_EQ(assets.count(), 1u);
    EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::bg10, assets, Appearance::dark),
              QColor(4, 5, 6));
    EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::linkState, assets, Appearance::dark),
              QColor(0x00, 0x7A, 0xFF));
    for (const char* json : {"", "[]", "{", "\xff\xfe"})
        EXPECT_EQ(ColorAssets::fromJson(json).count(), 0u) << json;
}
