#include "notification/HexColor.h"

#include "platform/Log.h"
#include "platform/Mutex.h"

#include <QString>
#include <array>
#include <string>
#include <unordered_map>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One component from `digits` hexadecimal digits at `at`; a lone digit doubles.
int component(const std::string& hex, std::size_t at, std::size_t digits) {
    const int high = hexDigit(hex[at]);
    const int low = digits == 1 ? high : hexDigit(hex[at + 1]);
    return high * 16 + low;
}

class Cache {
public:
    std::shared_ptr<const QColor> find(std::string_view text) EXCLUDES(m_mutex) {
        platform::MutexLock lock(m_mutex);
        const auto found = m_colors.find(std::string(text));
        return found == m_colors.end() ? nullptr : found->second;
    }

    // The colour cached under `text`: the one given, or one that another thread
    // stored meanwhile.
    std::shared_ptr<const QColor> store(std::string_view text, std::shared_ptr<const QColor> color)
        EXCLUDES(m_mutex) {
        platform::MutexLock lock(m_mutex);
        if (m_colors.size() >= HexColor::kCacheLimit)
            return color;
        return m_colors.try_emplace(std::string(text), std::move(color)).first->second;
    }

private:
    platform::Mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const QColor>> m_colors GUARDED_BY(m_mutex);
};

Cache& cache() {
    static Cache shared;
    return shared;
}

} // namespace

std::optional<QColor> HexColor::colorWithHexStringNotCacheable(std::string_view text) {
    std::string hex;
    hex.reserve(text.size());
    for (const char c : text) {
        if (c != '#')
            hex += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    bool digitsOnly = true;
    for (const char c : hex)
        digitsOnly = digitsOnly && hexDigit(c) >= 0;

    // Offsets of red, green, blue and alpha (-1: opaque) and the digits of each.
    struct Form {
        std::array<int, 4> at;
        std::size_t digits;
    };
    std::optional<Form> form;
    switch (hex.size()) {
    case 3:
        form = Form{{0, 1, 2, -1}, 1};
        break;
    case 4:
        form = Form{{1, 2, 3, 0}, 1};
        break;
    case 6:
        form = Form{{0, 2, 4, -1}, 2};
        break;
    case 8:
        form = Form{{0, 2, 4, 6}, 2};
        break;
    default:
        break;
    }
    if (!form || !digitsOnly) {
        platform::Log::warning(platform::Log::Component::Ui,
                               "Invalid color value: Color value " + std::string(text) +
                                   " is invalid.  It should be a hex value of the form #RBG, "
                                   "#ARGB, #RRGGBB, or #RRGGBBAA");
        return std::nullopt;
    }
    std::array<double, 4> rgba{};
    for (std::size_t i = 0; i < 4; ++i) {
        const int at = form->at[i];
        rgba[i] = at < 0 ? 1.0 : component(hex, static_cast<std::size_t>(at), form->digits) / 255.0;
    }
    return QColor::fromRgbF(static_cast<float>(rgba[0]), static_cast<float>(rgba[1]),
                            static_cast<float>(rgba[2]), static_cast<float>(rgba[3]));
}

std::shared_ptr<const QColor> HexColor::colorWithHexString(std::string_view text) {
    if (auto cached = cache().find(text))
        return cached;
    const auto color = colorWithHexStringNotCacheable(text);
    if (!color)
        return nullptr;
    return cache().store(text, std::make_shared<const QColor>(*color));
}
