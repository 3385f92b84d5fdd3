#pragma once

#include "platform/PlistValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The platform's keyed-archive format for the values messages carry: strings,
// numbers, booleans, data, arrays and dictionaries with string keys.
//
// An archive is a property list {"$version": 100000, "$archiver": "NSKeyedArchiver",
// "$top": {"root": UID}, "$objects": [...]}, whose objects refer to each other by
// UID (an index into "$objects"; 0 is "$null", standing for nil). Scalars sit in
// the list as they are; a string may also be a {"NS.string", "$class"} object; an
// array or set is {"NS.objects", "$class"}, a dictionary {"NS.keys", "NS.objects",
// "$class"}; "$class" refers to a class description {"$classname", "$classes"}.
class KeyedArchive {
public:
    // Containers nested inside each other, and the objects an archive may expand to
    // once every shared reference is counted as often as it is used.
    static constexpr std::size_t kMaxDepth = 512;
    static constexpr std::uint64_t kMaxExpandedObjects = std::uint64_t(1) << 20;

    // A binary property list as the platform writes it: the root under "root",
    // equal strings stored once, the keys of a dictionary before its values, and
    // each class description after the first object that uses it. Dictionaries are
    // archived as NSDictionary, arrays as NSArray. None when the value holds Null,
    // Date or Uid, nests deeper than kMaxDepth or cannot be written.
    static std::optional<std::string> archivedData(const platform::PlistValue& root);
    // The same archive as a property-list value, before it is written.
    static std::optional<platform::PlistValue> archivedObject(const platform::PlistValue& root);

    // The root object of an archive in XML or binary form. None when the bytes are
    // no property list, "$archiver" is not "NSKeyedArchiver", "$top" holds no UID
    // under "root" or "$0", the root is nil, or any object reached from it has a UID
    // out of range, refers back to itself, is a dictionary whose key and object
    // arrays differ in length or has a key that is no string, holds nil, or
    // exceeds the limits above. NSString, NSMutableString, NSArray, NSMutableArray,
    // NSSet, NSMutableSet, NSDictionary and NSMutableDictionary are read (sets as
    // arrays); an object of any other class (a date, a URL) inside an array or a
    // dictionary reads as Null, without looking inside it, so that readers skip it
    // and keep the rest. A root of another class gives none.
    static std::optional<platform::PlistValue> unarchive(std::string_view bytes);
    // The same for an archive already read as a property list.
    static std::optional<platform::PlistValue> unarchiveObject(const platform::PlistValue& archive);
};
