#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "platform/PropertyListGuard.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <memory>
#include <plist/plist.h>
#include <sys/stat.h>

namespace platform {

namespace {

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
struct MallocDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
struct XmlBufferDeleter {
    void operator()(char* buffer) const { plist_to_xml_free(buffer); }
};
struct BinaryBufferDeleter {
    void operator()(char* buffer) const { plist_to_bin_free(buffer); }
};

using Node = std::unique_ptr<void, NodeDeleter>;

// The library reads XML reals with strtod, which follows the locale: in a program
// whose locale writes decimal commas, "1.5" would read as 1. The library therefore
// runs in the C locale, set for the calling thread only.
class ClassicLocaleScope {
public:
    ClassicLocaleScope() {
        static const locale_t classic = ::newlocale(LC_ALL_MASK, "C", locale_t{});
        if (classic)
            m_previous = ::uselocale(classic);
    }
    ClassicLocaleScope(const ClassicLocaleScope&) = delete;
    ClassicLocaleScope& operator=(const ClassicLocaleScope&) = delete;
    ~ClassicLocaleScope() {
        if (m_previous)
            ::uselocale(m_previous);
    }

private:
    locale_t m_previous{};
};

// The library reports dates as whole seconds in 32 bits plus microseconds. Dates it
// cannot hold come out as INT32_MIN seconds, and the microseconds of negative dates
// lose their sign.
constexpr std::int32_t kUnrepresentableSeconds = std::numeric_limits<std::int32_t>::min();

bool isWritableText(std::string_view text) {
    return text.find('\0') == std::string_view::npos && Utf8::isValid(text);
}

std::optional<PlistValue> fromNode(plist_t node, std::size_t depth);

std::optional<PlistValue> fromDictionary(plist_t node, std::size_t depth) {
    if (plist_dict_get_size(node) == 1) {
        plist_t uid = plist_dict_get_item(node, "CF$UID");
        if (uid && plist_get_node_type(uid) == PLIST_UINT) {
            std::uint64_t value = 0;
            plist_get_uint_val(uid, &value);
            return PlistValue(PlistValue::Uid{value});
        }
    }

    PlistValue::Dictionary dictionary;
    plist_dict_iter rawIterator = nullptr;
    plist_dict_new_iter(node, &rawIterator);
    std::unique_ptr<void, MallocDeleter> iterator(rawIterator);
    if (!iterator)
        return std::nullopt;
    for (;;) {
        char* rawKey = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator.get(), &rawKey, &item);
        std::unique_ptr<char, MallocDeleter> key(rawKey);
        if (!item)
            break;
        if (!key || !Utf8::isValid(key.get()))
            return std::nullopt;
        auto converted = fromNode(item, depth);
        if (!converted)
            return std::nullopt;
        dictionary.emplace(key.get(), std::move(*converted));
    }
    return PlistValue(std::move(dictionary));
}

std::optional<PlistValue> fromArray(plist_t node, std::size_t depth) {
    const std::uint32_t size = plist_array_get_size(node);
    PlistValue::Array array;
    array.reserve(size);
    for (std::uint32_t i = 0; i < size; ++i) {
        auto converted = fromNode(plist_array_get_item(node, i), depth);
        if (!converted)
            return std::nullopt;
        array.push_back(std::move(*converted));
    }
    return PlistValue(std::move(array));
}

// `depth` counts the containers around `node`.
std::optional<PlistValue> fromNode(plist_t node, std::size_t depth) {
    if (!node)
        return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_DICT:
        if (depth >= PropertyList::kMaxDepth)
            return std::nullopt;
        return fromDictionary(node, depth + 1);
    case PLIST_ARRAY:
        if (depth >= PropertyList::kMaxDepth)
            return std::nullopt;
        return fromArray(node, depth + 1);
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        if (!text)
            return std::nullopt;
        // The reported length is not always that of the text it keeps; the text is
        // terminated, so it cannot be read past.
        std::string_view view(text, ::strnlen(text, length));
        if (!Utf8::isValid(view))
            return std::nullopt;
        return PlistValue(view);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PlistValue(value);
    }
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PlistValue(value != 0);
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (!bytes && length > 0)
            return std::nullopt;
        const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
        return PlistValue(PlistValue::Data(begin, begin + length));
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        if (seconds == kUnrepresentableSeconds)
            return std::nullopt;
        const double fraction = std::abs(microseconds) / 1e6;
        return PlistValue(PlistValue::Date{seconds < 0 ? seconds - fraction : seconds + fraction});
    }
    case PLIST_UID: {
        std::uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return PlistValue(PlistValue::Uid{value});
    }
    case PLIST_KEY:
    case PLIST_NONE:
        break;
    }
    return std::nullopt;
}

Node toNode(const PlistValue& value, std::size_t depth) {
    switch (value.kind()) {
    case PlistValue::Kind::Null:
        return nullptr;
    case PlistValue::Kind::Dictionary: {
        if (depth >= PropertyList::kMaxDepth)
            return nullptr;
        Node node(plist_new_dict());
        for (const auto& [key, item] : *value.asDictionary()) {
            Node child = isWritableText(key) ? toNode(item, depth + 1) : nullptr;
            if (!child)
                return nullptr;
            plist_dict_set_item(node.get(), key.c_str(), child.release());
        }
        return node;
    }
    case PlistValue::Kind::Array: {
        if (depth >= PropertyList::kMaxDepth)
            return nullptr;
        Node node(plist_new_array());
        for (const PlistValue& item : *value.asArray()) {
            Node child = toNode(item, depth + 1);
            if (!child)
                return nullptr;
            plist_array_append_item(node.get(), child.release());
        }
        return node;
    }
    case PlistValue::Kind::String: {
        const std::string& text = *value.asString();
        return isWritableText(text) ? Node(plist_new_string(text.c_str())) : nullptr;
    }
    case PlistValue::Kind::Integer:
        return Node(plist_new_uint(static_cast<std::uint64_t>(*value.asInteger())));
    case PlistValue::Kind::Real:
        return Node(plist_new_real(*value.asReal()));
    case PlistValue::Kind::Boolean:
        return Node(plist_new_bool(*value.asBoolean() ? 1 : 0));
    case PlistValue::Kind::Data: {
        const PlistValue::Data& data = *value.asData();
        const char* bytes = data.empty() ? "" : reinterpret_cast<const char*>(data.data());
        return Node(plist_new_data(bytes, data.size()));
    }
    case PlistValue::Kind::Date: {
        const double date = *value.asDate();
        const double seconds = std::trunc(date);
        if (!std::isfinite(date) || seconds <= kUnrepresentableSeconds ||
            seconds > std::numeric_limits<std::int32_t>::max())
            return nullptr;
        // Microseconds carry the sign of the date; the library adds them as given.
        auto microseconds = static_cast<std::int32_t>(std::lround((date - seconds) * 1e6));
        return Node(plist_new_date(static_cast<std::int32_t>(seconds), microseconds));
    }
    case PlistValue::Kind::Uid:
        return Node(plist_new_uid(*value.asUid()));
    }
    return nullptr;
}

} // namespace

std::string_view PropertyList::nameOf(Failure failure) {
    switch (failure) {
    case Failure::None:
        return "read";
    case Failure::Missing:
        return "missing";
    case Failure::NotAFile:
        return "not a regular file";
    case Failure::TooLarge:
        return "too large";
    case Failure::Unreadable:
        return "unreadable";
    case Failure::Empty:
        return "empty";
    case Failure::Refused:
        return "nested or shared too deeply";
    case Failure::Malformed:
        return "not a property list";
    case Failure::Unrepresentable:
        return "holds a value that cannot be carried";
    }
    return "unreadable";
}

PropertyList::Reading PropertyList::read(std::string_view bytes) {
    if (bytes.empty())
        return {std::nullopt, Failure::Empty};
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return {std::nullopt, Failure::TooLarge};
    if (!PropertyListGuard::admits(bytes, {.maxDepth = kMaxDepth}))
        return {std::nullopt, Failure::Refused};
    ClassicLocaleScope classicLocale;
    plist_t raw = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
    Node node(raw);
    if (!node)
        return {std::nullopt, Failure::Malformed};
    Reading reading{fromNode(node.get(), 0), Failure::None};
    if (!reading.value)
        reading.failure = Failure::Unrepresentable;
    return reading;
}

std::optional<PlistValue> PropertyList::parse(std::string_view bytes) {
    return read(bytes).value;
}

PropertyList::Reading PropertyList::readFileWithReason(const std::string& path,
                                                       std::size_t maxBytes) {
    // Larger inputs are refused by the parser anyway.
    maxBytes = std::min<std::size_t>(maxBytes, std::numeric_limits<std::uint32_t>::max());
    auto contents = FileSystem::readFile(path, maxBytes);
    if (contents)
        return read(*contents);
    // Only to say why: the read above decided.
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return {std::nullopt, errno == ENOENT || errno == ENOTDIR || path.empty()
                                  ? Failure::Missing
                                  : Failure::Unreadable};
    if (!S_ISREG(status.st_mode))
        return {std::nullopt, Failure::NotAFile};
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes)
        return {std::nullopt, Failure::TooLarge};
    return {std::nullopt, Failure::Unreadable};
}

std::optional<PlistValue> PropertyList::readFile(const std::string& path, std::size_t maxBytes) {
    return readFileWithReason(path, maxBytes).value;
}

std::optional<std::string> PropertyList::toXml(const PlistValue& value) {
    Node node = toNode(value, 0);
    if (!node)
        return std::nullopt;
    ClassicLocaleScope classicLocale;
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(node.get(), &raw, &length);
    std::unique_ptr<char, XmlBufferDeleter> buffer(raw);
    if (!buffer || length == 0)
        return std::nullopt;
    return std::string(buffer.get(), length);
}

std::optional<std::string> PropertyList::toBinary(const PlistValue& value) {
    Node node = toNode(value, 0);
    if (!node)
        return std::nullopt;
    char* raw = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node.get(), &raw, &length);
    std::unique_ptr<char, BinaryBufferDeleter> buffer(raw);
    if (!buffer || length == 0)
        return std::nullopt;
    return std::string(buffer.get(), length);
}

bool PropertyList::writeFile(const std::string& path, const PlistValue& value, Format format) {
    const auto bytes = format == Format::Xml ? toXml(value) : toBinary(value);
    if (!bytes || path.empty())
        return false;

    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        mode = existing.st_mode & 07777;

    return FileSystem::writeFileAtomically(path, *bytes, mode);
}

} // namespace platform
