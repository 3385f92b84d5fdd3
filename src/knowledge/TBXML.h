#pragma once

#include "knowledge/SecureBuffer.h"
#include "knowledge/TBXMLError.h"
#include "knowledge/TBXMLPool.h"
#include "knowledge/TBXMLProblem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// One attribute of an element. Both strings are NUL-terminated and live in the
// reader's buffer; `next` is the element's following attribute in document order.
struct _TBXMLAttribute {
    char* name{nullptr};
    char* value{nullptr};
    _TBXMLAttribute* next{nullptr};
};

// One element of the tree. `text` is the trimmed character data of a leaf element and
// none for an element with children; `currentChild` is the last child appended while
// building. Every pointer stays valid exactly as long as the reader that made it.
struct _TBXMLElement {
    char* name{nullptr};
    char* text{nullptr};
    _TBXMLAttribute* firstAttribute{nullptr};
    _TBXMLElement* parentElement{nullptr};
    _TBXMLElement* firstChild{nullptr};
    _TBXMLElement* currentChild{nullptr};
    _TBXMLElement* nextSibling{nullptr};
    _TBXMLElement* previousSibling{nullptr};
};

// A small non-validating XML reader. It keeps one copy of the input (or takes over the
// caller's buffer), parses it in place in one forward pass (names, values and texts are
// NUL-terminated where they lie) and builds the element tree from pooled records. Character and
// entity references are never decoded. Malformed input shapes the tree as the scan finds it; the
// first structural fault is kept as problem(), for callers that want to say why.
//
// The queries are class operations on element records, which callers get from
// `rootXMLElement()` and by walking `firstChild` and `nextSibling`.
class TBXML {
public:
    // Parses a copy of `data`. A reader is handed back even when parsing fails; the
    // failure shows as a missing root element and, when `error` is given, is stored
    // there (which is reset on success). Only a reader object that cannot be allocated
    // at all gives nullptr.
    // `maxRecords` bounds the elements, and separately the attributes, the tree may
    // hold; a document that needs more fails as if memory had run out.
    static constexpr size_t kUnlimited = static_cast<size_t>(-1);
    static std::shared_ptr<TBXML> newTBXMLWithXMLData(std::string_view data,
                                                      std::optional<TBXMLError>* error = nullptr,
                                                      size_t maxRecords = kUnlimited);
    static std::shared_ptr<TBXML> newTBXMLWithXMLData(std::span<const std::uint8_t> data,
                                                      std::optional<TBXMLError>* error = nullptr,
                                                      size_t maxRecords = kUnlimited);
    // The same, parsing `data` where it lies instead of a copy: the reader keeps the
    // buffer (which is empty afterwards) and wipes it when done. A buffer with room for
    // one more byte, for the terminator the reader adds, is taken without a copy.
    static std::shared_ptr<TBXML> newTBXMLTakingXMLData(SecureBuffer&& data,
                                                        std::optional<TBXMLError>* error = nullptr,
                                                        size_t maxRecords = kUnlimited);

    // A section read one child at a time: every child of the first element named
    // `section` under a root named `root` goes to `onChild` as soon as it is read whole,
    // and is dropped then, with the text it was read from (wiped and given back in runs).
    // The section stays in the tree without children. For a large section that is read
    // once: the tree then holds one of its children at a time instead of all of them.
    // `maxRecords` still bounds the elements and attributes of the whole document.
    struct StreamedSection {
        std::string_view root;
        std::string_view section;
        std::function<void(const _TBXMLElement* child)> onChild;
    };
    // The same as newTBXMLTakingXMLData, reading `streamed` as it goes.
    static std::shared_ptr<TBXML> newTBXMLStreamingXMLData(SecureBuffer&& data,
                                                           const StreamedSection& streamed,
                                                           std::optional<TBXMLError>* error,
                                                           size_t maxRecords);

    TBXML(const TBXML&) = delete;
    TBXML& operator=(const TBXML&) = delete;
    ~TBXML();

    // The first element of the document, or nullptr when there is none.
    const _TBXMLElement* rootXMLElement() const { return m_root; }
    // The first structural fault of the input, with its byte offset; none for a
    // well-formed document. Always set when there is no root element.
    const std::optional<TBXMLProblem>& problem() const { return m_problem; }

    // The element's name; the empty string when it has none.
    static std::string elementName(const _TBXMLElement* element);
    // The value of the first attribute whose name has exactly the bytes of `name`.
    static std::optional<std::string> valueOfAttributeNamed(std::string_view name,
                                                            const _TBXMLElement* element);
    // The same as a view into the reader's buffer, valid while the reader lives.
    static std::optional<std::string_view> valueViewOfAttributeNamed(std::string_view name,
                                                                     const _TBXMLElement* element);
    // The element's text; the empty string when it has none.
    static std::string textForElement(const _TBXMLElement* element);
    // The same as a view into the reader's buffer, valid while the reader lives.
    static std::string_view textViewForElement(const _TBXMLElement* element);
    // The first child, in document order, whose name has exactly the bytes of `name`.
    static const _TBXMLElement* childElementNamed(std::string_view name,
                                                  const _TBXMLElement* parentElement);

    // Bytes held by the buffer and the record pools, for the performance report.
    size_t memoryFootprint() const;

private:
    TBXML() = default;
    std::optional<TBXMLErrorCode> parse(SecureBuffer&& data, const StreamedSection* streamed);
    static std::shared_ptr<TBXML> read(SecureBuffer&& data, const StreamedSection* streamed,
                                       std::optional<TBXMLError>* error, size_t maxRecords);

    // The document's text with a terminator after it, parsed in place.
    SecureBuffer m_text;
    char* m_buffer{nullptr};
    size_t m_bufferSize{0};
    TBXMLPool<_TBXMLElement> m_elements;
    TBXMLPool<_TBXMLAttribute> m_attributes;
    const _TBXMLElement* m_root{nullptr};
    std::optional<TBXMLProblem> m_problem;
};
