#include "shell/KeyedArchive.h"

#include "platform/PropertyList.h"

#include <algorithm>
#include <map>
#include <vector>

using platform::PlistValue;

namespace {

constexpr const char* kArchiverName = "NSKeyedArchiver";
constexpr std::int64_t kArchiveVersion = 100000;

// Other: a class the messages have no use for (a date, a URL, a number object).
enum class ClassKind { String, Array, Dictionary, Other };

ClassKind kindOfClassNamed(const std::string& name) {
    static const std::map<std::string, ClassKind, std::less<>> known = {
        {"NSString", ClassKind::String},
        {"NSMutableString", ClassKind::String},
        {"NSArray", ClassKind::Array},
        {"NSMutableArray", ClassKind::Array},
        {"NSSet", ClassKind::Array},
        {"NSMutableSet", ClassKind::Array},
        {"NSDictionary", ClassKind::Dictionary},
        {"NSMutableDictionary", ClassKind::Dictionary},
    };
    auto found = known.find(name);
    return found == known.end() ? ClassKind::Other : found->second;
}

// How large an object is once every shared reference is expanded, and how many
// containers deep it nests (0 for a scalar).
struct Size {
    std::uint64_t expanded{1};
    std::size_t height{0};
};

class Decoder {
public:
    explicit Decoder(const PlistValue::Array& objects)
        : m_objects(objects), m_entries(objects.size()) {}

    // The object a reference stands for; nil (UID 0) is refused, since none of the
    // supported containers can hold it.
    std::optional<PlistValue> object(const PlistValue& reference, std::size_t depth) {
        std::optional<std::uint64_t> uid = reference.asUid();
        if (!uid || *uid == 0 || *uid >= m_objects.size())
            return std::nullopt;
        Entry& entry = m_entries[*uid];
        if (entry.state == State::Done) {
            // A shared object may be met again deeper down than where it was decoded.
            if (depth + entry.size.height > KeyedArchive::kMaxDepth)
                return std::nullopt;
            return entry.value;
        }
        if (entry.state == State::InProgress)
            return std::nullopt;
        entry.state = State::InProgress;
        Size size;
        std::optional<PlistValue> value = decode(m_objects[*uid], depth, size);
        // Failure ends the whole decoding, so a failed entry is never asked again.
        if (!value)
            return std::nullopt;
        Entry& done = m_entries[*uid];
        done.state = State::Done;
        done.value = std::move(*value);
        done.size = size;
        return done.value;
    }

    const Size& sizeOf(const PlistValue& reference) const {
        return m_entries[*reference.asUid()].size;
    }

private:
    enum class State : std::uint8_t { Unvisited, InProgress, Done };
    struct Entry {
        State state{State::Unvisited};
        PlistValue value;
        Size size;
    };

    std::optional<PlistValue> decode(const PlistValue& raw, std::size_t depth, Size& size) {
        switch (raw.kind()) {
        case PlistValue::Kind::String:
        case PlistValue::Kind::Integer:
        case PlistValue::Kind::Real:
        case PlistValue::Kind::Boolean:
        case PlistValue::Kind::Data:
            return raw;
        case PlistValue::Kind::Dictionary:
            break;
        default:
            return std::nullopt;
        }
        // Only objects stored as dictionaries hold others, so this bounds the recursion.
        if (depth >= KeyedArchive::kMaxDepth)
            return std::nullopt;
        size.height = 1;
        const PlistValue* classReference = raw.get("$class");
        std::optional<ClassKind> kind = classReference ? classKind(*classReference) : std::nullopt;
        if (!kind)
            return std::nullopt;
        switch (*kind) {
        case ClassKind::String: {
            const PlistValue* text = raw.get("NS.string");
            if (!text || !text->asString())
                return std::nullopt;
            return *text;
        }
        case ClassKind::Array: {
            auto elements = members(raw.get("NS.objects"), depth, size);
            if (!elements)
                return std::nullopt;
            return PlistValue(std::move(*elements));
        }
        case ClassKind::Dictionary:
            return dictionary(raw, depth, size);
        case ClassKind::Other:
            // Inside a container it stands in as null, which every reader skips as it skips
            // any value that is not a string, so one foreign object does not void the rest.
            // The root itself must be something we read.
            if (depth == 0)
                return std::nullopt;
            return PlistValue();
        }
        return std::nullopt;
    }

    std::optional<PlistValue::Array> members(const PlistValue* references, std::size_t depth,
                                             Size& size) {
        if (!references || !references->asArray())
            return std::nullopt;
        PlistValue::Array result;
        result.reserve(references->asArray()->size());
        for (const PlistValue& reference : *references->asArray()) {
            std::optional<PlistValue> member = object(reference, depth + 1);
            if (!member)
                return std::nullopt;
            const Size& memberSize = sizeOf(reference);
            size.expanded += memberSize.expanded;
            size.height = std::max(size.height, memberSize.height + 1);
            if (size.expanded > KeyedArchive::kMaxExpandedObjects)
                return std::nullopt;
            result.push_back(std::move(*member));
        }
        return result;
    }

    std::optional<PlistValue> dictionary(const PlistValue& raw, std::size_t depth, Size& size) {
        const PlistValue* keyReferences = raw.get("NS.keys");
        const PlistValue* objectReferences = raw.get("NS.objects");
        if (!keyReferences || !keyReferences->asArray() || !objectReferences ||
            !objectReferences->asArray() ||
            keyReferences->asArray()->size() != objectReferences->asArray()->size())
            return std::nullopt;
        auto keys = members(keyReferences, depth, size);
        if (!keys)
            return std::nullopt;
        auto values = members(objectReferences, depth, size);
        if (!values)
            return std::nullopt;
        PlistValue::Dictionary result;
        for (std::size_t i = 0; i < keys->size(); ++i) {
            const std::string* key = (*keys)[i].asString();
            if (!key)
                return std::nullopt;
            result.insert_or_assign(*key, std::move((*values)[i]));
        }
        return PlistValue(std::move(result));
    }

    std::optional<ClassKind> classKind(const PlistValue& reference) {
        std::optional<std::uint64_t> uid = reference.asUid();
        if (!uid || *uid == 0 || *uid >= m_objects.size())
            return std::nullopt;
        if (auto known = m_classes.find(*uid); known != m_classes.end())
            return known->second;
        const PlistValue* name = m_objects[*uid].get("$classname");
        if (!name || !name->asString())
            return std::nullopt;
        ClassKind kind = kindOfClassNamed(*name->asString());
        m_classes.emplace(*uid, kind);
        return kind;
    }

    const PlistValue::Array& m_objects;
    std::vector<Entry> m_entries;
    std::map<std::uint64_t, ClassKind> m_classes;
};

class Encoder {
public:
    std::optional<std::uint64_t> encode(const PlistValue& value, std::size_t depth) {
        switch (value.kind()) {
        case PlistValue::Kind::String:
            return string(*value.asString());
        case PlistValue::Kind::Integer:
        case PlistValue::Kind::Real:
        case PlistValue::Kind::Boolean:
        case PlistValue::Kind::Data:
            return append(value);
        case PlistValue::Kind::Array:
            return depth < KeyedArchive::kMaxDepth ? array(*value.asArray(), depth) : std::nullopt;
        case PlistValue::Kind::Dictionary:
            return depth < KeyedArchive::kMaxDepth ? dictionary(*value.asDictionary(), depth)
                                                   : std::nullopt;
        default:
            return std::nullopt;
        }
    }

    PlistValue::Array takeObjects() { return std::move(m_objects); }

private:
    std::uint64_t append(const PlistValue& value) {
        m_objects.push_back(value);
        return m_objects.size() - 1;
    }

    // Equal strings share one object, as the platform's constant strings do.
    std::uint64_t string(const std::string& text) {
        if (auto known = m_strings.find(text); known != m_strings.end())
            return known->second;
        m_objects.emplace_back(text);
        std::uint64_t uid = m_objects.size() - 1;
        m_strings.emplace(text, uid);
        return uid;
    }

    // The container's place comes before its members', as the platform numbers them;
    // it is filled in once they are known.
    std::uint64_t reserve() {
        m_objects.emplace_back();
        return m_objects.size() - 1;
    }

    std::optional<std::uint64_t> array(const PlistValue::Array& elements, std::size_t depth) {
        std::uint64_t uid = reserve();
        PlistValue::Array references;
        for (const PlistValue& element : elements) {
            auto member = encode(element, depth + 1);
            if (!member)
                return std::nullopt;
            references.push_back(PlistValue::Uid{*member});
        }
        PlistValue::Dictionary object;
        object["NS.objects"] = PlistValue(std::move(references));
        object["$class"] = classReference("NSArray");
        m_objects[uid] = PlistValue(std::move(object));
        return uid;
    }

    std::optional<std::uint64_t> dictionary(const PlistValue::Dictionary& entries,
                                            std::size_t depth) {
        std::uint64_t uid = reserve();
        PlistValue::Array keys;
        PlistValue::Array values;
        for (const auto& entry : entries)
            keys.push_back(PlistValue::Uid{string(entry.first)});
        for (const auto& entry : entries) {
            auto reference = encode(entry.second, depth + 1);
            if (!reference)
                return std::nullopt;
            values.push_back(PlistValue::Uid{*reference});
        }
        PlistValue::Dictionary object;
        object["NS.keys"] = PlistValue(std::move(keys));
        object["NS.objects"] = PlistValue(std::move(values));
        object["$class"] = classReference("NSDictionary");
        m_objects[uid] = PlistValue(std::move(object));
        return uid;
    }

    PlistValue classReference(const std::string& name) {
        auto known = m_classes.find(name);
        if (known == m_classes.end()) {
            PlistValue::Dictionary description;
            description["$classname"] = name;
            description["$classes"] = PlistValue(PlistValue::Array{name, "NSObject"});
            known = m_classes.emplace(name, append(PlistValue(std::move(description)))).first;
        }
        return PlistValue::Uid{known->second};
    }

    PlistValue::Array m_objects{PlistValue("$null")};
    std::map<std::string, std::uint64_t, std::less<>> m_strings;
    std::map<std::string, std::uint64_t, std::less<>> m_classes;
};

} // namespace

std::optional<PlistValue> KeyedArchive::archivedObject(const PlistValue& root) {
    Encoder encoder;
    std::optional<std::uint64_t> rootUid = encoder.encode(root, 0);
    if (!rootUid)
        return std::nullopt;
    PlistValue::Dictionary top;
    top["root"] = PlistValue::Uid{*rootUid};
    PlistValue::Dictionary archive;
    archive["$version"] = kArchiveVersion;
    archive["$archiver"] = kArchiverName;
    archive["$top"] = PlistValue(std::move(top));
    archive["$objects"] = PlistValue(encoder.takeObjects());
    return PlistValue(std::move(archive));
}

std::optional<std::string> KeyedArchive::archivedData(const PlistValue& root) {
    std::optional<PlistValue> archive = archivedObject(root);
    if (!archive)
        return std::nullopt;
    return platform::PropertyList::toBinary(*archive);
}

std::optional<PlistValue> KeyedArchive::unarchiveObject(const PlistValue& archive) {
    const PlistValue* archiver = archive.get("$archiver");
    const PlistValue* top = archive.get("$top");
    const PlistValue* objects = archive.get("$objects");
    if (!archiver || !archiver->asString() || *archiver->asString() != kArchiverName || !top ||
        !top->asDictionary() || !objects || !objects->asArray())
        return std::nullopt;
    const PlistValue* root = top->get("root");
    if (!root)
        root = top->get("$0");
    if (!root)
        return std::nullopt;
    Decoder decoder(*objects->asArray());
    return decoder.object(*root, 0);
}

std::optional<PlistValue> KeyedArchive::unarchive(std::string_view bytes) {
    std::optional<PlistValue> archive = platform::PropertyList::parse(bytes);
    if (!archive)
        return std::nullopt;
    return unarchiveObject(*archive);
}
