#include "platform/Regex.h"

#include "platform/Utf8.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

namespace platform {

struct Regex::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
    std::int32_t timeLimit{0};
};

namespace {

enum class Anchoring { anywhere, whole };

// Owns an ICU text over UTF-8 bytes that outlive it.
class Utf8Text {
public:
    explicit Utf8Text(std::string_view bytes) {
        static constexpr char kEmpty[] = "";
        const char* data = bytes.empty() ? kEmpty : bytes.data();
        m_text = utext_openUTF8(nullptr, data, static_cast<int64_t>(bytes.size()), &m_status);
    }
    ~Utf8Text() { utext_close(m_text); }
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;

    UText* get() const { return U_SUCCESS(m_status) ? m_text : nullptr; }

private:
    UErrorCode m_status{U_ZERO_ERROR};
    UText* m_text{nullptr};
};

// Runs one match with a matcher of its own, so that a Regex needs no lock. A
// time-out, a backtracking stack overflow or any other failure reads as no match.
std::optional<std::pair<std::size_t, std::size_t>> runMatch(const icu::RegexPattern& pattern,
                                                            std::int32_t timeLimit,
                                                            std::string_view bytes,
                                                            Anchoring anchoring) {
    Utf8Text text(bytes);
    if (!text.get())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(status));
    if (U_FAILURE(status) || !matcher)
        return std::nullopt;
    matcher->reset(text.get());
    matcher->setTimeLimit(timeLimit, status);
    const bool found =
        anchoring == Anchoring::whole ? matcher->matches(status) : matcher->find(status);
    if (U_FAILURE(status) || !found)
        return std::nullopt;
    const int64_t start = matcher->start64(status);
    const int64_t end = matcher->end64(status);
    if (U_FAILURE(status) || start < 0 || end < start)
        return std::nullopt;
    return std::pair{static_cast<std::size_t>(start), static_cast<std::size_t>(end)};
}

} // namespace

Regex::Regex(std::shared_ptr<const Compiled> compiled) : m_compiled(std::move(compiled)) {}

std::optional<Regex> Regex::create(std::string_view pattern, RegexOptions options) {
    if (!Utf8::isValid(pattern))
        return std::nullopt;
    // Compiled from UTF-16, which ICU copies; a pattern compiled from UTF-8 text
    // would keep pointing at the caller's bytes.
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(pattern);
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    const uint32_t flags = options.caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0;
    auto compiled = std::make_shared<Compiled>();
    compiled->pattern.reset(icu::RegexPattern::compile(text, flags, parseError, status));
    compiled->timeLimit = options.timeLimit > 0 ? options.timeLimit : 0;
    if (U_FAILURE(status) || !compiled->pattern)
        return std::nullopt;
    return Regex(std::move(compiled));
}

bool Regex::search(std::string_view text) const {
    return firstMatch(text).has_value();
}

bool Regex::matchesWhole(std::string_view text) const {
    return runMatch(*m_compiled->pattern, m_compiled->timeLimit, text, Anchoring::whole)
        .has_value();
}

std::optional<std::pair<std::size_t, std::size_t>> Regex::firstMatch(std::string_view text) const {
    return runMatch(*m_compiled->pattern, m_compiled->timeLimit, text, Anchoring::anywhere);
}

} // namespace platform
