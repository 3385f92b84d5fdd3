#include "notification/TextStyleData.h"

#include "platform/Log.h"

#include <QFontDatabase>
#include <array>
#include <cmath>

namespace {

using W = FigmaFontWeight;
constexpr const char* kText = "SF Pro Text";

// In the order of the FigmaTextStyle values.
const std::array<TextStyleData, 48>& table() {
    static const std::array<TextStyleData, 48> styles{{
        {kText, W::bold, 36, 0.4f, 43},
        {kText, W::semibold, 36, 0.4f, 43},
        {kText, W::regular, 36, 0.4f, std::nullopt},
        {kText, W::bold, 32, 0.4f, 38},
        {kText, W::semibold, 32, 0.4f, 38},
        {kText, W::bold, 28, 0.38f, 34},
        {kText, W::semibold, 28, 0.38f, 34},
        {kText, W::regular, 28, 0.38f, std::nullopt},
        {kText, W::bold, 24, 0.35f, 29},
        {kText, W::semibold, 24, 0.35f, 29},
        {kText, W::medium, 24, 0.35f, 29},
        {kText, W::regular, 24, 0.35f, std::nullopt},
        {kText, W::bold, 22, 0.35f, 28},
        {kText, W::semibold, 22, 0.35f, 28},
        {kText, W::regular, 22, 0.35f, std::nullopt},
        {kText, W::bold, 20, 0.38f, 25},
        {kText, W::semibold, 20, 0.38f, 25},
        {kText, W::medium, 20, 0.38f, 25},
        {kText, W::regular, 20, 0.38f, std::nullopt},
        {kText, W::bold, 18, std::nullopt, 22},
        {kText, W::semibold, 18, std::nullopt, 22},
        {kText, W::medium, 18, std::nullopt, 22},
        {kText, W::regular, 18, std::nullopt, std::nullopt},
        {kText, W::semibold, 17, -0.41f, 22},
        {kText, W::regular, 17, -0.41f, 22},
        {kText, W::bold, 16, -0.32f, 21},
        {kText, W::semibold, 16, -0.32f, 21},
        {kText, W::medium, 16, -0.32f, 21},
        {kText, W::regular, 16, -0.32f, std::nullopt},
        {kText, W::semibold, 15, -0.24f, 20},
        {kText, W::medium, 15, -0.24f, 20},
        {kText, W::regular, 15, -0.24f, std::nullopt},
        {kText, W::bold, 14, -0.15f, 18},
        {kText, W::semibold, 14, -0.15f, 18},
        {kText, W::medium, 14, -0.15f, 18},
        {kText, W::regular, 14, -0.15f, 18},
        {kText, W::light, 14, -0.15f, std::nullopt},
        {kText, W::bold, 13, -0.08f, 16},
        {kText, W::semibold, 13, -0.08f, 16},
        {kText, W::regular, 13, -0.08f, 16},
        {kText, W::light, 13, -0.08f, std::nullopt},
        {kText, W::medium, 12, 0, 16},
        {kText, W::regular, 12, 0, 16},
        {"SF Pro", W::heavy, 26, 0.37f, 31},
        {kText, W::light, 12, 0, std::nullopt},
        {kText, W::medium, 13, 0, 16},
        {kText, W::semibold, 12, 0, 16},
        {kText, W::bold, 12, 0, 20},
    }};
    return styles;
}

QFont::Weight qtWeight(FigmaFontWeight weight) {
    switch (weight) {
    case W::medium:
        return QFont::Medium;
    case W::bold:
        return QFont::Bold;
    case W::regular:
        break;
    case W::light:
        return QFont::Light;
    case W::semibold:
        return QFont::DemiBold;
    case W::heavy:
        return QFont::ExtraBold;
    }
    return QFont::Normal;
}

} // namespace

const TextStyleData& TextStyleData::forStyle(FigmaTextStyle style) {
    const int value = static_cast<int>(style);
    if (value < 0 || static_cast<std::size_t>(value) >= table().size()) {
        platform::Log::warning(platform::Log::Component::Ui,
                               "no text style " + std::to_string(value));
        return table()[static_cast<std::size_t>(FigmaTextStyle::helperDescription)];
    }
    return table()[static_cast<std::size_t>(value)];
}

QFont TextStyleData::font() const {
    const bool system = name == "SF Pro Text" || name == "SF Pro Display" || name == "SF Pro";
    QFont font = system ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                        : QFont(QString::fromStdString(name));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(qtWeight(weight));
    return font;
}

ParagraphStyle TextStyleData::paragraphStyle(TextAlignment alignment,
                                             LineBreakMode lineBreakMode) const {
    ParagraphStyle paragraph;
    paragraph.alignment = alignment;
    paragraph.lineBreakMode = lineBreakMode;
    if (lineHeight) {
        paragraph.minimumLineHeight = *lineHeight;
        paragraph.maximumLineHeight = *lineHeight;
    }
    return paragraph;
}
