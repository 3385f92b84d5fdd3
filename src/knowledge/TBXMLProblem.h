#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The first thing wrong with a document's structure, where the reader met it. The
// reader still builds the tree as the scan finds it; this only says why the tree may
// not be the one the author meant.
struct TBXMLProblem {
    enum class Kind {
        NoRootElement,        // nothing but text, comments or declarations
        UnclosedElement,      // the input ends inside an element
        MismatchedClosingTag, // a closing tag names another element than the open one
        StrayClosingTag,      // a closing tag with no element open
        UnterminatedTag,      // a tag cut short by the next "<"
        TruncatedMarkup,      // the input ends inside a tag, comment or CDATA section
    };

    Kind kind{Kind::NoRootElement};
    // Bytes from the start of the input to the "<" of the markup concerned (for
    // NoRootElement, the end of the input).
    std::size_t offset{0};
    // The element concerned, when there is one: the open element that was not closed
    // or that a closing tag did not match.
    std::string element;

    static std::string_view nameOf(Kind kind);
    // "mismatched closing tag at byte 120 (open element <d>)".
    std::string describe() const;
};
