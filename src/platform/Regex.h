#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace platform {

struct RegexOptions {
    // The default bound on one match, in ICU's units of matching work (1000 units
    // took about 0.2 s on the build machine for a runaway pattern).
    static constexpr std::int32_t kDefaultTimeLimit = 1000;

    bool caseInsensitive{false};
    // Bound on the work of one match; a match that runs out of it counts as no match.
    // Zero means no bound.
    std::int32_t timeLimit{kDefaultTimeLimit};
};

// A compiled regular expression in the platform's syntax (the ICU dialect), matched
// against UTF-8 text. Ranges are byte offsets into that text; bytes that are not
// UTF-8 match as U+FFFD.
//
// A Regex is immutable and may be used from several threads at once: every call
// makes its own matcher. Copies share the compiled pattern.
class Regex {
public:
    // None when the pattern does not compile or is not valid UTF-8.
    static std::optional<Regex> create(std::string_view pattern, RegexOptions options = {});

    // Whether the expression matches somewhere in `text`.
    bool search(std::string_view text) const;

    // Whether the expression matches all of `text`.
    bool matchesWhole(std::string_view text) const;

    // The byte range [first, second) of the leftmost match in `text`.
    std::optional<std::pair<std::size_t, std::size_t>> firstMatch(std::string_view text) const;

private:
    struct Compiled;

    explicit Regex(std::shared_ptr<const Compiled> compiled);

    std::shared_ptr<const Compiled> m_compiled;
};

} // namespace platform
