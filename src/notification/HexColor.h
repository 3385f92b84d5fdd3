#pragma once

#include <QColor>
#include <memory>
#include <optional>
#include <string_view>

// Colours written as hexadecimal text: "#RGB", "#ARGB", "#RRGGBB" or "#RRGGBBAA"
// (every "#" is ignored, digits are case-insensitive, a single digit stands for
// itself written twice, and alpha is opaque where the form has none).
//
// Any other length, or a character that is not a hexadecimal digit, is an
// invalid colour value: it is logged and answered with none. Every colour text
// of the program is a constant of the four forms, so callers have nothing to
// recover and nothing is thrown.
class HexColor {
public:
    static std::optional<QColor> colorWithHexStringNotCacheable(std::string_view text);

    // The same colour, kept in a process-wide cache keyed by the text: asking
    // again for a text gives the same object. Safe to call from any thread.
    static std::shared_ptr<const QColor> colorWithHexString(std::string_view text);

    // The cache stops taking new texts beyond this many; colours are then
    // parsed afresh each time.
    static constexpr std::size_t kCacheLimit = 1024;
};
