#include "notification/FigmaPalette.h"

#include "notification/HexColor.h"

#include <gtest/gtest.h>
#include <string>

TEST(FigmaPalette, AssetNamesAscendInByteOrderWithParsableFallbacks) {
    std::string previous;
    for (int value = 0; value < FigmaPalette::kAssetCount; ++value) {
        const auto entry = FigmaPalette::entry(static_cast<FigmaColor>(value));
        ASSERT_TRUE(entry) << value;
        const std::string name(entry->assetName);
        EXPECT_LT(previous, name) << value;
        EXPECT_EQ(entry->fallback.size(), 8u) << name;
        EXPECT_TRUE(HexColor::colorWithHexStringNotCacheable(entry->fallback)) << name;
        previous = name;
    }
    EXPECT_FALSE(FigmaPalette::entry(FigmaColor::clear));
}

TEST(FigmaPalette, EveryColourHasAShippedLightAndDarkAsset) {
    const ColorAssets& assets = ColorAssets::shared();
    EXPECT_EQ(assets.count(), static_cast<std::size_t>(FigmaPalette::kAssetCount));
    for (int value = 0; value < FigmaPalette::kAssetCount; ++value) {
        const auto entry = FigmaPalette::entry(static_cast<FigmaColor>(value));
        const auto light = assets.colorNamed(entry->assetName, Appearance::light);
        const auto dark = assets.colorNamed(entry->assetName, Appearance::dark);
        ASSERT_TRUE(light && dark) << entry->assetName;
    }
    EXPECT_LT(assets.colorNamed("bg_10", Appearance::dark)->lightness(), 128);
}

TEST(FigmaPalette, MissingAssetFallsBackToTheHexValue) {
    const ColorAssets assets =
        ColorAssets::fromJson(R"({"bg_10": {"light": "112233", "dark": "445566"}})");
    EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::bg10, assets, Appearance::light),
              QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::bg10, assets, Appearance::dark),
              QColor(0x44, 0x55, 0x66));
    for (const auto appearance : {Appearance::light, Appearance::dark}) {
        EXPECT_EQ(FigmaPalette::colorForFigmaColor(FigmaColor::linkState, assets, appearance),
                  QColor(0x00, 0x7A, 0xFF));
    }
}

TEST(FigmaPalette, ClearAndValuesOutsideThePaletteAreTransparentWhite) {
    const QColor clear(255, 255, 255, 0);
    for (const int value : {114, 115, -1, 1000}) {
        EXPECT_EQ(FigmaPalette::colorForFigmaColor(static_cast<FigmaColor>(value),
                                                   ColorAssets::shared(), Appearance::dark),
                  clear)
            << value;
    }
}

TEST(ColorAssets, DamagedEntriesAreLeftOut) {
    const ColorAssets assets = ColorAssets::fromJson(R"({
        "good": {"light": "#010203", "dark": "#040506"},
        "no_dark": {"light": "010203"},
        "bad_hex": {"light": "12345", "dark": "010203"},
        "number": {"light": 5, "dark": "010203"},
        "text": "010203",
        "list": ["010203", "040506"]
    })");
    EXPECT_EQ(assets.count(), 1u);
    EXPECT_EQ(assets.colorNamed("good", Appearance::dark), QColor(4, 5, 6));
    for (const char* json : {"", "[]", "{", "null", "{\"a\": {\"light\": \"1\"", "\xff\xfe"})
        EXPECT_EQ(ColorAssets::fromJson(json).count(), 0u) << json;
}
