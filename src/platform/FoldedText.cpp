#include "platform/FoldedText.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace platform {

namespace {

const icu::Normalizer2* decomposition() {
    static const icu::Normalizer2* const instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* normalizer = icu::Normalizer2::getNFDInstance(status);
        return U_SUCCESS(status) ? normalizer : nullptr;
    }();
    return instance;
}

void appendCaseless(const icu::UnicodeString& segment, std::string& key) {
    const icu::Normalizer2* nfd = decomposition();
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString folded = nfd ? nfd->normalize(segment, status) : segment;
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    if (nfd)
        folded = nfd->normalize(folded, status);
    if (U_FAILURE(status))
        folded = icu::UnicodeString(segment).foldCase(U_FOLD_CASE_DEFAULT);
    folded.toUTF8String(key);
}

bool startsSegment(char32_t c) {
    if (c < 0x80)
        return true;
    const icu::Normalizer2* nfd = decomposition();
    return !nfd || nfd->hasBoundaryBefore(static_cast<UChar32>(c));
}

} // namespace

FoldedText::FoldedText(std::string_view source) {
    m_key.reserve(source.size());
    icu::UnicodeString segment;
    std::size_t offset = 0;
    auto flush = [&] {
        if (segment.length() == 1 && segment[0] < 0x80) {
            char c = static_cast<char>(segment[0]);
            m_key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        } else if (!segment.isEmpty()) {
            appendCaseless(segment, m_key);
        }
        segment.remove();
    };
    while (offset < source.size()) {
        const std::size_t start = offset;
        const char32_t c = Utf8::next(source, offset);
        if (startsSegment(c) || m_boundaries.empty()) {
            flush();
            m_boundaries.push_back({m_key.size(), start});
        }
        segment.append(static_cast<UChar32>(c));
    }
    flush();
    m_boundaries.push_back({m_key.size(), source.size()});
}

std::optional<std::size_t> FoldedText::sourceOffset(std::size_t keyOffset) const {
    auto it = std::lower_bound(
        m_boundaries.begin(), m_boundaries.end(), keyOffset,
        [](const Boundary& boundary, std::size_t offset) { return boundary.keyOffset < offset; });
    if (it == m_boundaries.end() || it->keyOffset != keyOffset)
        return std::nullopt;
    return it->sourceOffset;
}

std::optional<std::size_t> FoldedText::keyOffsetAtOrAfter(std::size_t sourceOffset) const {
    auto it = std::lower_bound(m_boundaries.begin(), m_boundaries.end(), sourceOffset,
                               [](const Boundary& boundary, std::size_t offset) {
                                   return boundary.sourceOffset < offset;
                               });
    if (it == m_boundaries.end())
        return std::nullopt;
    return it->keyOffset;
}

bool FoldedText::hasPrefix(const FoldedText& prefix) const {
    const std::string& p = prefix.key();
    return m_key.starts_with(p) && sourceOffset(p.size()).has_value();
}

bool FoldedText::hasSuffix(const FoldedText& suffix) const {
    const std::string& s = suffix.key();
    return m_key.ends_with(s) && sourceOffset(m_key.size() - s.size()).has_value();
}

std::optional<std::size_t> FoldedText::find(const FoldedText& needle, std::size_t fromByte) const {
    const std::string& n = needle.key();
    std::optional<std::size_t> from = keyOffsetAtOrAfter(fromByte);
    if (!from)
        return std::nullopt;
    for (std::size_t at = m_key.find(n, *from); at != std::string::npos;
         at = m_key.find(n, at + 1)) {
        std::optional<std::size_t> start = sourceOffset(at);
        if (start && sourceOffset(at + n.size()))
            return start;
    }
    return std::nullopt;
}

} // namespace platform
