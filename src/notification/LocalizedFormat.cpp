#include "notification/LocalizedFormat.h"

#include <vector>

namespace {

std::string localDigits(std::int64_t number, const platform::NumberSymbols& symbols) {
    // The magnitude as unsigned, so that the smallest 64-bit number has one too.
    std::uint64_t magnitude = static_cast<std::uint64_t>(number);
    if (number < 0)
        magnitude = ~magnitude + 1;
    std::string out = number < 0 ? "-" : "";
    for (char c : std::to_string(magnitude))
        out += symbols.digits[static_cast<std::size_t>(c - '0')];
    return out;
}

struct Placeholder {
    std::size_t length{0};   // of the whole placeholder, "%" included
    std::size_t position{0}; // 1-based; 0 when the placeholder gives none
};

// The placeholder at the start of `text`, which begins with "%"; a length of 0 when the
// sequence is none of ours.
Placeholder readPlaceholder(std::string_view text) {
    std::size_t at = 1;
    std::size_t position = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && position < 1000)
        position = position * 10 + static_cast<std::size_t>(text[at++] - '0');
    if (at > 1) {
        if (at >= text.size() || text[at] != '$' || position == 0)
            return {};
        ++at;
    }
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("@") || rest.starts_with("d"))
        return {at + 1, position};
    if (rest.starts_with("zd"))
        return {at + 2, position};
    return {};
}

} // namespace

std::string LocalizedFormat::format(std::string_view text,
                                    std::initializer_list<Argument> arguments,
                                    const platform::NumberSymbols& symbols) {
    const std::vector<Argument> values(arguments);
    std::string out;
    out.reserve(text.size());
    std::size_t nextArgument = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t percent = text.find('%', at);
        if (percent == std::string_view::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, percent - at);
        const std::string_view rest = text.substr(percent);
        if (rest.starts_with("%%")) {
            out += '%';
            at = percent + 2;
            continue;
        }
        const Placeholder placeholder = readPlaceholder(rest);
        if (placeholder.length == 0) {
            out += '%';
            at = percent + 1;
            continue;
        }
        const std::size_t index =
            placeholder.position > 0 ? placeholder.position - 1 : nextArgument++;
        if (index >= values.size()) {
            out += rest.substr(0, placeholder.length);
        } else if (const auto* textValue = std::get_if<std::string_view>(&values[index])) {
            out += *textValue;
        } else {
            out += localDigits(std::get<std::int64_t>(values[index]), symbols);
        }
        at = percent + placeholder.length;
    }
    return out;
}
