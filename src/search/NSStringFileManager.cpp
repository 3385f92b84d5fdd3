#include "search/NSStringFileManager.h"

#include "platform/FileSystem.h"
#include "search/SizeMetrics.h"

#include <array>
#include <charconv>

namespace {

constexpr const char* kNoBreakSpace = "\u00A0";

struct RoundingLimits {
    int maxFractionDigits{0};
    int maxSignificantDigits{0}; // 0: no limit
};

// Rounds like the platform's number formatter: half to even, applied to the shortest
// decimal text that reads back as the same double, not to the double's exact binary
// value. So 1.135 rounds to 1.14 although the nearest double lies just below it.
// Trailing zeros of the fraction are dropped and digits are not grouped.
std::string formatDecimal(double value, RoundingLimits limits,
                          const platform::NumberSymbols& symbols) {
    std::array<char, 512> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed);
    if (error != std::errc{} || value < 0)
        return symbols.digits[0];
    const std::string text(buffer.data(), end);

    const std::size_t point = text.find('.');
    std::string digits = text;
    std::size_t integerDigits = digits.size();
    if (point != std::string::npos) {
        digits.erase(point, 1);
        integerDigits = point;
    }

    std::size_t keep = integerDigits + static_cast<std::size_t>(limits.maxFractionDigits);
    if (limits.maxSignificantDigits > 0) {
        const std::size_t firstSignificant = digits.find_first_not_of('0');
        if (firstSignificant != std::string::npos)
            keep = std::min(keep, firstSignificant +
                                      static_cast<std::size_t>(limits.maxSignificantDigits));
    }

    if (keep < digits.size()) {
        const char first = digits[keep];
        const bool restNonZero = digits.find_first_not_of('0', keep + 1) != std::string::npos;
        const bool lastKeptOdd = keep > 0 && (digits[keep - 1] - '0') % 2 == 1;
        const bool up = first > '5' || (first == '5' && (restNonZero || lastKeptOdd));
        digits.resize(keep);
        if (up) {
            std::size_t at = digits.size();
            while (at > 0 && digits[at - 1] == '9')
                digits[--at] = '0';
            if (at == 0) {
                digits.insert(digits.begin(), '1');
                ++integerDigits;
            } else {
                ++digits[at - 1];
            }
        }
    }
    if (digits.size() < integerDigits)
        digits.append(integerDigits - digits.size(), '0');

    std::string whole = digits.substr(0, integerDigits);
    std::string fraction = digits.substr(integerDigits);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    const std::size_t firstWhole = whole.find_first_not_of('0');
    whole = firstWhole == std::string::npos ? "0" : whole.substr(firstWhole);

    std::string out;
    for (char c : whole)
        out += symbols.digits[static_cast<std::size_t>(c - '0')];
    if (!fraction.empty()) {
        out += symbols.decimalSeparator;
        for (char c : fraction)
            out += symbols.digits[static_cast<std::size_t>(c - '0')];
    }
    return out;
}

struct ScaledCount {
    double value{0};
    std::size_t unitIndex{0};
};

// Divides by 1000 until the value is below 1000; units are decimal, never 1024.
ScaledCount scaled(std::uint64_t bytes) {
    ScaledCount result{static_cast<double>(bytes), 0};
    do {
        result.value /= 1000.0;
        ++result.unitIndex;
    } while (result.value >= 1000.0);
    return result;
}

std::string unitAt(const std::vector<std::string>& metrics, std::size_t index) {
    return index < metrics.size() ? metrics[index] : std::string();
}

// Counts below 1000 carry the bytes unit.
std::string smallCountUnit(const std::vector<std::string>& metrics) {
    return metrics.empty() ? std::string("B") : metrics.front();
}

std::string withLeadingZero(std::string number, const platform::NumberSymbols& symbols) {
    if (!symbols.decimalSeparator.empty() && number.starts_with(symbols.decimalSeparator))
        number.insert(0, "0");
    return number;
}

bool existsWithoutFollowingLink(const std::string& path) {
    return !path.empty() && platform::FileSystem::itemExistsNoFollow(path);
}

} // namespace

const std::vector<std::string>& NSStringFileManager::allSizeMetrics() {
    static const std::vector<std::string> metrics = SizeMetrics::metrixes();
    return metrics;
}

std::string NSStringFileManager::formatMemoryString(std::uint64_t bytes, MemoryForm form,
                                                    const std::vector<std::string>& metrics,
                                                    const platform::NumberSymbols& symbols) {
    if (bytes < 1000)
        return std::to_string(bytes) + " " + smallCountUnit(metrics);
    const ScaledCount count = scaled(bytes);
    const bool small = count.value < 10.0;
    const int fractionDigits = form == MemoryForm::shortForm ? (small ? 1 : 0) : (small ? 2 : 1);
    const std::string number =
        withLeadingZero(formatDecimal(count.value, {fractionDigits, 0}, symbols), symbols);
    return number + " " + unitAt(metrics, count.unitIndex);
}

NSStringFileManager::MemoryComponents
NSStringFileManager::formatMemoryComponents(std::uint64_t bytes,
                                            const std::vector<std::string>& metrics,
                                            const platform::NumberSymbols& symbols) {
    if (bytes < 1000)
        return {std::to_string(bytes) + kNoBreakSpace, smallCountUnit(metrics)};
    const ScaledCount count = scaled(bytes);
    const int fractionDigits = count.value < 10.0 ? 2 : 1;
    return {withLeadingZero(formatDecimal(count.value, {fractionDigits, 3}, symbols), symbols),
            unitAt(metrics, count.unitIndex)};
}

std::string NSStringFileManager::decimalSeparator() {
    // Older systems always answered "."; ours has no system version, which counts as
    // the newest system, where the locale decides.
    return platform::NumberSymbols::current().decimalSeparator;
}

std::string NSStringFileManager::getNameForCopiedFile(const std::string& name,
                                                      const std::string& folder) {
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    if (!existsWithoutFollowingLink(prefix + name))
        return name;

    // The split keeps every character, so "notes." and ".profile" have no extension.
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 && dot + 1 < name.size();
    const std::string base = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    for (long number = 2;; ++number) {
        std::string candidate = base + " " + std::to_string(number) + extension;
        if (!existsWithoutFollowingLink(prefix + candidate))
            return candidate;
    }
}

std::string NSStringFileManager::getDisplayNameAtPath(const std::string& path) {
    const std::size_t last = path.find_last_not_of('/');
    if (last == std::string::npos)
        return path.empty() ? std::string() : std::string("/");
    const std::size_t slash = path.rfind('/', last);
    const std::size_t first = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(first, last + 1 - first);
}
