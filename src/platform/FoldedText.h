#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The caseless comparison form of a UTF-8 text, used by the case-insensitive
// operations of Text.
//
// The text is cut into segments (a character that starts a combining sequence and
// the combining marks that follow it); each segment becomes its canonical caseless
// form, NFD(fold(NFD(segment))), written as UTF-8. Matches are only accepted where
// they start and end on segment boundaries, so a search never splits "é" into "e"
// and an accent, nor the "ss" that "ß" folds into. Bytes that are not UTF-8 read as
// U+FFFD.
class FoldedText {
public:
    explicit FoldedText(std::string_view source);

    const std::string& key() const { return m_key; }

    // The source byte offset of the segment that begins at `keyOffset` in the key,
    // or none when no segment begins there. The end of the key maps to the source size.
    std::optional<std::size_t> sourceOffset(std::size_t keyOffset) const;

    // The key offset of the first segment that begins at or after `sourceOffset`.
    std::optional<std::size_t> keyOffsetAtOrAfter(std::size_t sourceOffset) const;

    bool hasPrefix(const FoldedText& prefix) const;
    bool hasSuffix(const FoldedText& suffix) const;
    std::optional<std::size_t> find(const FoldedText& needle, std::size_t fromByte) const;

private:
    struct Boundary {
        std::size_t keyOffset{0};
        std::size_t sourceOffset{0};
    };

    std::string m_key;
    std::vector<Boundary> m_boundaries;
};

} // namespace platform
