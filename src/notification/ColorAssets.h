#pragma once

#include <QByteArray>
#include <QColor>
#include <map>
#include <optional>
#include <string>
#include <string_view>

enum class Appearance {
    light,
    dark,
};

// Named colours with a light and a dark value each: the application's colour
// assets, read from a JSON object of the form
//   { "bg_10": { "light": "FEFEFEFF", "dark": "2A2C31FF" }, ... }
// with values in the forms HexColor reads. Entries that are not of this form are
// left out, so a damaged table loses colours, never the program.
class ColorAssets {
public:
    // The assets compiled into the program.
    static const ColorAssets& shared();

    static ColorAssets fromJson(const QByteArray& json);

    // The appearance the application's palette shows now: dark when its window
    // colour is dark; light without an application.
    static Appearance currentAppearance();

    std::optional<QColor> colorNamed(std::string_view name, Appearance appearance) const;
    std::size_t count() const { return m_colors.size(); }

private:
    struct Pair {
        QColor light;
        QColor dark;
    };

    std::map<std::string, Pair, std::less<>> m_colors;
};
