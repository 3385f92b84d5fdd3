#include "notification/FigmaPalette.h"

#include "notification/HexColor.h"
#include "platform/Log.h"

#include <array>

namespace {

// In the order of the FigmaColor values, which is the byte order of the names.
constexpr std::array<FigmaPalette::Entry, FigmaPalette::kAssetCount> kEntries{{
    {"bg_1", "FFFFFFFF"},
    {"bg_10", "FEFEFEFF"},
    {"bg_11", "E5EAF1FF"},
    {"bg_12", "E2E8F0FF"},
    {"bg_2", "FCFDFEFF"},
    {"bg_3", "FAFBFCFF"},
    {"bg_4", "F7F9FBFF"},
    {"bg_5", "F4F7FAFF"},
    {"bg_6", "F2F5F8FF"},
    {"bg_7", "EFF2F7FF"},
    {"bg_8", "EDF0F5FF"},
    {"bg_9", "EAEEF4FF"},
    {"button_bg_1", "007AFFFF"},
    {"button_bg_1_click", "0068D9FF"},
    {"button_bg_1_hover", "1F8AFFFF"},
    {"button_bg_2", "ECF2FAFF"},
    {"button_bg_2_click", "C9CED4FF"},
    {"button_bg_2_hover", "EEF4FBFF"},
    {"button_bg_3", "FFFFFFFF"},
    {"button_bg_3_click", "D9D9D9FF"},
    {"button_bg_3_hover", "FFFFFFFF"},
    {"button_bg_disabled", "C8CED6FF"},
    {"button_stroke_1", "CCD8E8FF"},
    {"button_stroke_2", "CCD8E8FF"},
    {"button_stroke_3", "CCD8E8FF"},
    {"button_stroke_disabled", "DCE0E6FF"},
    {"button_text_1", "FFFFFFFF"},
    {"button_text_1_click", "E6E6E6FF"},
    {"button_text_2", "4F6BB3FF"},
    {"button_text_2_click", "4760A1FF"},
    {"button_text_3", "4F6BB3FF"},
    {"button_text_3_click", "4760A1FF"},
    {"button_text_disabled", "AAB2BEFF"},
    {"button_text_hover", "4F6BB3FF"},
    {"icon_1", "7C90A3FF"},
    {"icon_10", "424F60FF"},
    {"icon_11", "3C4858FF"},
    {"icon_2", "76899CFF"},
    {"icon_3", "6F8294FF"},
    {"icon_4", "697A8CFF"},
    {"icon_5", "627385FF"},
    {"icon_6", "5C6C7EFF"},
    {"icon_7", "566576FF"},
    {"icon_8", "4F5E6EFF"},
    {"icon_9", "495667FF"},
    {"icon_accent", "007AFFFF"},
    {"icon_alert", "FF3B30FF"},
    {"icon_disabled", "BEC6D0FF"},
    {"icon_success", "34C759FF"},
    {"icon_warning", "FF9500FF"},
    {"link_1", "0066D6FF"},
    {"link_2", "4F6BB3FF"},
    {"link_hover", "0060D2FF"},
    {"link_state", "007AFFFF"},
    {"other_1", "E66767FF"},
    {"other_2", "E6BB67FF"},
    {"other_3", "BBE667FF"},
    {"other_4", "67E667FF"},
    {"other_5", "67E6BBFF"},
    {"other_6", "67BBE6FF"},
    {"other_7", "6767E6FF"},
    {"other_8", "BB67E6FF"},
    {"other_9", "E667BBFF"},
    {"other_badge", "FF3B30FF"},
    {"other_progress", "007AFFFF"},
    {"other_progress_bg", "E2E8F0FF"},
    {"other_selection", "CCE6FFFF"},
    {"other_shadow", "00000033"},
    {"other_tooltip", "32363CFF"},
    {"pop_up_bg", "FFFFFFFF"},
    {"pop_up_bg_2", "F7F9FCFF"},
    {"pop_up_bg_hover", "ECF2FAFF"},
    {"pop_up_bg_stroke", "CCD8E8FF"},
    {"preferencestoolbar_bg", "F6F8FBFF"},
    {"preferencestoolbar_icon", "7C90A3FF"},
    {"preferencestoolbar_icon_selected", "007AFFFF"},
    {"preferencestoolbar_selection", "E4EEFAFF"},
    {"preferencestoolbar_stroke", "DCE2EAFF"},
    {"preferencestoolbar_text", "7C90A3FF"},
    {"preferencestoolbar_text_selected", "007AFFFF"},
    {"stroke_1", "CCE6FFFF"},
    {"stroke_2", "DCE2EAFF"},
    {"stroke_3", "E8ECF1FF"},
    {"stroke_4", "BEC8D4FF"},
    {"stroke_5", "007AFFFF"},
    {"stroke_6", "F0F3F7FF"},
    {"switcher_bg", "E2E8F0FF"},
    {"switcher_bg_on", "007AFFFF"},
    {"switcher_knob", "FFFFFFFF"},
    {"switcher_knob_disabled", "F0F2F5FF"},
    {"switcher_stroke", "CCD8E8FF"},
    {"tab_bg", "FFFFFFFF"},
    {"tab_bg_hover", "F4F7FBFF"},
    {"tab_bg_selected", "ECF2FAFF"},
    {"tab_icon", "7C90A3FF"},
    {"tab_icon_selected", "007AFFFF"},
    {"tab_separator", "DCE2EAFF"},
    {"tab_stroke", "DCE2EAFF"},
    {"tab_text", "7C90A3FF"},
    {"tab_text_hover", "3C4858FF"},
    {"tab_text_selected", "007AFFFF"},
    {"tab_underline", "007AFFFF"},
    {"text_1", "1C2026FF"},
    {"text_10", "909BA7FF"},
    {"text_11", "9DA8B6FF"},
    {"text_12", "AAB6C4FF"},
    {"text_2", "292E34FF"},
    {"text_3", "363B43FF"},
    {"text_4", "434951FF"},
    {"text_5", "50575FFF"},
    {"text_6", "5D646EFF"},
    {"text_7", "7C90A3FF"},
    {"text_8", "767F8BFF"},
    {"text_9", "838D99FF"},
}};

} // namespace

std::optional<FigmaPalette::Entry> FigmaPalette::entry(FigmaColor color) {
    const int value = static_cast<int>(color);
    if (value < 0 || value >= kAssetCount)
        return std::nullopt;
    return kEntries[static_cast<std::size_t>(value)];
}

QColor FigmaPalette::colorForFigmaColor(FigmaColor color) {
    return colorForFigmaColor(color, ColorAssets::shared(), ColorAssets::currentAppearance());
}

QColor FigmaPalette::colorForFigmaColor(FigmaColor color, const ColorAssets& assets,
                                        Appearance appearance) {
    const QColor clear(255, 255, 255, 0);
    const auto found = entry(color);
    if (!found) {
        if (color != FigmaColor::clear)
            platform::Log::warning(platform::Log::Component::Ui,
                                   "no palette colour " + std::to_string(static_cast<int>(color)));
        return clear;
    }
    if (const auto asset = assets.colorNamed(found->assetName, appearance))
        return *asset;
    const auto fallback = HexColor::colorWithHexString(found->fallback);
    return fallback ? *fallback : clear;
}
