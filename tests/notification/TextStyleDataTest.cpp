#include "notification/TextStyleData.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

TEST(TextStyleData, EveryStyleIsASystemFontBetween12And36Points) {
    const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    for (int value = 0; value < 48; ++value) {
        const TextStyleData& data = TextStyleData::forStyle(static_cast<FigmaTextStyle>(value));
        EXPECT_EQ(data.name, value == 43 ? "SF Pro" : "SF Pro Text") << value;
        EXPECT_GE(data.size, 12) << value;
        EXPECT_LE(data.size, 36) << value;
        const QFont font = data.font();
        EXPECT_EQ(font.family(), system) << value;
        EXPECT_EQ(font.pixelSize(), data.size) << value;
    }
}

TEST(TextStyleData, OtherFamiliesAreUsedByName) {
    const TextStyleData other{"DejaVu Serif", FigmaFontWeight::semibold, 14.6, std::nullopt,
                              std::nullopt};
    EXPECT_EQ(other.font().family(), "DejaVu Serif");
    EXPECT_EQ(other.font().pixelSize(), 15);
    EXPECT_EQ(other.font().weight(), QFont::DemiBold);
}

TEST(TextStyleData, LineHeightFixesEveryLine) {
    const ParagraphStyle fixed =
        TextStyleData::forStyle(FigmaTextStyle::helperDescriptionEmphasis)
            .paragraphStyle(TextAlignment::center, LineBreakMode::charWrapping);
    EXPECT_EQ(fixed.alignment, TextAlignment::center);
    EXPECT_EQ(fixed.lineBreakMode, LineBreakMode::charWrapping);
    EXPECT_EQ(fixed.minimumLineHeight, 20);
    EXPECT_EQ(fixed.maximumLineHeight, 20);

    const TextStyleData& free = TextStyleData::forStyle(FigmaTextStyle::regular36);
    ASSERT_FALSE(free.lineHeight);
    const ParagraphStyle open =
        free.paragraphStyle(TextAlignment::left, LineBreakMode::wordWrapping);
    EXPECT_EQ(open.minimumLineHeight, 0);
    EXPECT_EQ(open.maximumLineHeight, 0);
}

