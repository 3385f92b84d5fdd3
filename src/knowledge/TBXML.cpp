#include "knowledge/TBXML.h"

#include "knowledge/TBXMLParser.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const unsigned char* bytes, size_t length) {
    size_t i = 0;
    while (i < length) {
        if (length - i >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t size;
        std::uint32_t codePoint;
        if (lead >= 0xC2 && lead <= 0xDF) {
            size = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            size = 3;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            size = 4;
            codePoint = lead & 0x07u;
        } else {
            return false;
        }
        if (length - i < size)
            return false;
        for (size_t k = 1; k < size; ++k) {
            unsigned char next = bytes[i + k];
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (size == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF)))
            return false;
        if (size == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF))
            return false;
        i += size;
    }
    return true;
}

// A new string from a NUL-terminated string of the buffer. Bytes that are not UTF-8
// give nothing, as a missing string would, so that they never travel further.
std::optional<std::string_view> decodedView(const char* bytes) {
    if (!bytes)
        return std::nullopt;
    size_t length = std::strlen(bytes);
    if (!isValidUtf8(reinterpret_cast<const unsigned char*>(bytes), length))
        return std::nullopt;
    return std::string_view(bytes, length);
}

std::optional<std::string> decoded(const char* bytes) {
    std::optional<std::string_view> view = decodedView(bytes);
    return view ? std::optional<std::string>(std::in_place, *view) : std::nullopt;
}

// Each give-back costs the kernel a flush of every core's address cache: text is given
// back in runs of at least this many bytes, not behind every element.
constexpr std::size_t kReleaseRun = 256 * 1024;

bool hasName(const char* candidate, std::string_view name) {
    size_t length = std::strlen(candidate);
    return length == name.size() && std::memcmp(candidate, name.data(), length) == 0;
}

} // namespace

std::shared_ptr<TBXML> TBXML::newTBXMLWithXMLData(std::string_view data,
                                                  std::optional<TBXMLError>* error,
                                                  size_t maxRecords) {
    SecureBuffer copy;
    try {
        copy.reserve(data.size() + 1);
    } catch (const std::bad_alloc&) {
        if (error)
            *error = TBXMLError::withCode(TBXMLErrorCode::UnableToAllocateMemory);
        return nullptr;
    }
    copy.append({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
    return newTBXMLTakingXMLData(std::move(copy), error, maxRecords);
}

std::shared_ptr<TBXML> TBXML::newTBXMLWithXMLData(std::span<const std::uint8_t> data,
                                                  std::optional<TBXMLError>* error,
                                                  size_t maxRecords) {
    return newTBXMLWithXMLData(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), error,
        maxRecords);
}

std::shared_ptr<TBXML> TBXML::newTBXMLTakingXMLData(SecureBuffer&& data,
                                                    std::optional<TBXMLError>* error,
                                                    size_t maxRecords) {
    return read(std::move(data), nullptr, error, maxRecords);
}

std::shared_ptr<TBXML> TBXML::newTBXMLStreamingXMLData(SecureBuffer&& data,
                                                       const StreamedSection& streamed,
                                                       std::optional<TBXMLError>* error,
                                                       size_t maxRecords) {
    return read(std::move(data), &streamed, error, maxRecords);
}

std::shared_ptr<TBXML> TBXML::read(SecureBuffer&& data, const StreamedSection* streamed,
                                   std::optional<TBXMLError>* error, size_t maxRecords) {
    SecureBuffer text = std::move(data);
    std::shared_ptr<TBXML> reader;
    try {
        reader = std::shared_ptr<TBXML>(new TBXML());
    } catch (const std::bad_alloc&) {
        if (error)
            *error = TBXMLError::withCode(TBXMLErrorCode::UnableToAllocateMemory);
        return nullptr;
    }
    reader->m_elements.limitTo(maxRecords);
    reader->m_attributes.limitTo(maxRecords);
    std::optional<TBXMLErrorCode> failure = reader->parse(std::move(text), streamed);
    if (error) {
        if (failure)
            *error = TBXMLError::withCode(*failure);
        else
            error->reset();
    }
    return reader;
}

TBXML::~TBXML() = default;

std::optional<TBXMLErrorCode> TBXML::parse(SecureBuffer&& data, const StreamedSection* streamed) {
    if (data.empty()) {
        m_problem = TBXMLProblem{TBXMLProblem::Kind::NoRootElement, 0, {}};
        return TBXMLErrorCode::DataIsNil;
    }
    const std::size_t size = data.size();
    try {
        data.append(std::uint8_t{0});
    } catch (const std::bad_alloc&) {
        return TBXMLErrorCode::UnableToAllocateMemory;
    }
    m_text = std::move(data);
    m_buffer = reinterpret_cast<char*>(m_text.data());
    m_bufferSize = m_text.size();

    TBXMLParser parser(m_buffer, m_buffer + size, m_elements, m_attributes);
    // The children of a streamed section lie one after the other in the text, with
    // nothing kept between them: everything from the first one's start to the end of
    // the last one read is spent.
    std::size_t spentFrom = 0;
    if (streamed)
        parser.streamSection(
            streamed->root, streamed->section,
            [this, streamed, &spentFrom](const _TBXMLElement* child, const char* end) {
                streamed->onChild(child);
                if (spentFrom == 0)
                    spentFrom = static_cast<std::size_t>(child->name - 1 - m_buffer);
                m_text.discardBetween(spentFrom, static_cast<std::size_t>(end - m_buffer),
                                      kReleaseRun);
            });
    if (parser.parse() == TBXMLParser::Outcome::OutOfMemory)
        return TBXMLErrorCode::UnableToAllocateMemory;
    m_root = parser.root();
    m_problem = parser.problem();
    if (!m_root) {
        if (!m_problem)
            m_problem = TBXMLProblem{TBXMLProblem::Kind::NoRootElement, size, {}};
        return TBXMLErrorCode::DecodeFailure;
    }
    return std::nullopt;
}

std::string TBXML::elementName(const _TBXMLElement* element) {
    return element ? decoded(element->name).value_or(std::string()) : std::string();
}

std::optional<std::string> TBXML::valueOfAttributeNamed(std::string_view name,
                                                        const _TBXMLElement* element) {
    const std::optional<std::string_view> view = valueViewOfAttributeNamed(name, element);
    return view ? std::optional<std::string>(std::in_place, *view) : std::nullopt;
}

std::optional<std::string_view> TBXML::valueViewOfAttributeNamed(std::string_view name,
                                                                 const _TBXMLElement* element) {
    if (!element)
        return std::nullopt;
    for (const _TBXMLAttribute* attribute = element->firstAttribute; attribute;
         attribute = attribute->next) {
        if (hasName(attribute->name, name))
            return decodedView(attribute->value);
    }
    return std::nullopt;
}

std::string TBXML::textForElement(const _TBXMLElement* element) {
    return element ? decoded(element->text).value_or(std::string()) : std::string();
}

std::string_view TBXML::textViewForElement(const _TBXMLElement* element) {
    return element ? decodedView(element->text).value_or(std::string_view()) : std::string_view();
}

const _TBXMLElement* TBXML::childElementNamed(std::string_view name,
                                              const _TBXMLElement* parentElement) {
    if (!parentElement)
        return nullptr;
    for (const _TBXMLElement* child = parentElement->firstChild; child;
         child = child->nextSibling) {
        if (hasName(child->name, name))
            return child;
    }
    return nullptr;
}

size_t TBXML::memoryFootprint() const {
    return m_text.capacity() + m_elements.bytesHeld() + m_attributes.bytesHeld();
}
