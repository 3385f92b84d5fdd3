#include "shell/KeyedArchive.h"

#include "platform/PropertyList.h"

#include <functional>
#include <gtest/gtest.h>

using platform::PlistValue;
using Uid = PlistValue::Uid;

namespace {

PlistValue dictionary(std::initializer_list<std::pair<const std::string, PlistValue>> entries) {
    return PlistValue(PlistValue::Dictionary(entries));
}

PlistValue array(std::initializer_list<PlistValue> elements) {
    return PlistValue(PlistValue::Array(elements));
}

PlistValue classDescription(const std::string& name) {
    return dictionary({{"$classname", name}, {"$classes", array({name, "NSObject"})}});
}

// A keyed archive of the given objects with the root at UID 1.
PlistValue archiveOf(PlistValue::Array objects, PlistValue top = dictionary({{"root", Uid{1}}})) {
    return dictionary({{"$version", 100000},
                       {"$archiver", "NSKeyedArchiver"},
                       {"$top", top},
                       {"$objects", PlistValue(std::move(objects))}});
}

// {"k": "v"}, its dictionary's class at UID 4.
PlistValue oneEntry() {
    return archiveOf(
        {"$null",
         dictionary(
             {{"NS.keys", array({Uid{2}})}, {"NS.objects", array({Uid{3}})}, {"$class", Uid{4}}}),
         "k", "v", classDescription("NSDictionary")});
}

PlistValue arrayObject(PlistValue::Array references, std::uint64_t classUid) {
    return dictionary(
        {{"NS.objects", PlistValue(std::move(references))}, {"$class", Uid{classUid}}});
}

// `depth` arrays nested in one another; with `reentered`, the root is one more array that
// holds the chain's second link and then its first, so the second is met at two depths.
PlistValue chain(std::size_t depth, bool reentered = false) {
    PlistValue::Array objects = {"$null", classDescription("NSArray")};
    for (std::size_t i = 0; i < depth; ++i)
        objects.push_back(
            arrayObject(i + 1 < depth ? PlistValue::Array{Uid{i + 3}} : PlistValue::Array{}, 1));
    if (reentered)
        objects.push_back(arrayObject({Uid{3}, Uid{2}}, 1));
    return archiveOf(std::move(objects), dictionary({{"root", Uid{reentered ? depth + 2 : 2}}}));
}

// Each array holds the previous one twice: tiny, but 2^levels objects once expanded.
PlistValue doublingArrays(std::size_t levels) {
    PlistValue::Array objects = {"$null", classDescription("NSArray"), arrayObject({}, 1)};
    for (std::size_t i = 1; i < levels; ++i)
        objects.push_back(arrayObject({Uid{i + 1}, Uid{i + 1}}, 1));
    return archiveOf(std::move(objects), dictionary({{"root", Uid{levels + 1}}}));
}

// `archive` with `key` set to `value`, or without it.
PlistValue with(const PlistValue& archive, const std::string& key,
                std::optional<PlistValue> value = std::nullopt) {
    PlistValue::Dictionary copy = *archive.asDictionary();
    copy.erase(key);
    if (value)
        copy[key] = std::move(*value);
    return PlistValue(std::move(copy));
}

} // namespace

TEST(KeyedArchive, RoundTripsTheValuesMessagesCarry) {
    PlistValue values[] = {
        dictionary({{"command", "exclude-paths"},
                    {"paths", array({"/Users/ann/Library/Caches/x", "/Users/ann/Ünï ✓",
                                     "/Users/ann/Library/Caches/x"})}}),
        dictionary({{"command", "clear-exclude-paths"}}),
        array({"$null", "", 0, -1, std::int64_t(1) << 62, 2.5, true, false,
               PlistValue(PlistValue::Data{0, 1, 255})}),
    };
    for (const PlistValue& value : values) {
        auto bytes = KeyedArchive::archivedData(value);
        ASSERT_TRUE(bytes);
        EXPECT_TRUE(bytes->starts_with("bplist00"));
        EXPECT_EQ(KeyedArchive::unarchive(*bytes), value);
    }
}

TEST(KeyedArchive, RejectsMalformedArchives) {
    const PlistValue valid = oneEntry();
    ASSERT_EQ(KeyedArchive::unarchiveObject(valid), dictionary({{"k", "v"}}));
    const PlistValue::Array& objects = *valid.get("$objects")->asArray();
    auto withObject = [&](std::size_t index, PlistValue object) {
        PlistValue::Array changed = objects;
        changed[index] = std::move(object);
        return with(valid, "$objects", PlistValue(std::move(changed)));
    };
    auto dictionaryWith = [](PlistValue keys, PlistValue values) {
        return dictionary({{"NS.keys", keys}, {"NS.objects", values}, {"$class", Uid{4}}});
    };

    struct Case {
        std::string name;
        PlistValue archive;
    } cases[] = {
        {"not a dictionary", array({})},
        {"no $archiver", with(valid, "$archiver")},
        {"$top without root", with(valid, "$top", dictionary({{"main", Uid{1}}}))},
        {"root out of range", with(valid, "$top", dictionary({{"root", Uid{5}}}))},
        {"no $objects", with(valid, "$objects")},
        {"value out of range", withObject(1, dictionaryWith(array({Uid{2}}), array({Uid{99}})))},
        {"keys longer", withObject(1, dictionaryWith(array({Uid{2}, Uid{3}}), array({Uid{3}})))},
        {"keys missing",
         withObject(1, dictionary({{"NS.objects", array({Uid{3}})}, {"$class", Uid{4}}}))},
        {"key not a string", withObject(2, 42)},
        {"self reference", withObject(3, arrayObject({Uid{3}}, 5))},
        {"no class", withObject(3, dictionary({{"NS.objects", array({})}}))},
        {"class not a description", withObject(3, arrayObject({}, 2))},
        {"root of an unknown class", withObject(4, classDescription("NSURL"))},
        {"key of an unknown class",
         archiveOf({"$null",
                    dictionary({{"NS.keys", array({Uid{2}})},
                                {"NS.objects", array({Uid{3}})},
                                {"$class", Uid{4}}}),
                    dictionary({{"NS.time", 1.0}, {"$class", Uid{5}}}), "v",
                    classDescription("NSDictionary"), classDescription("NSDate")})},
        {"string form without text", withObject(3, dictionary({{"$class", Uid{5}}}))},
        {"inline array", withObject(3, array({"v"}))},
        {"nested too deep", chain(KeyedArchive::kMaxDepth + 1)},
        {"shared object too deep the second time", chain(KeyedArchive::kMaxDepth, true)},
        {"expands beyond the limit", doublingArrays(40)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(KeyedArchive::unarchiveObject(c.archive)) << c.name;
        auto bytes = platform::PropertyList::toBinary(c.archive);
        if (bytes) {
            EXPECT_FALSE(KeyedArchive::unarchive(*bytes)) << c.name;
        }
    }

    EXPECT_TRUE(KeyedArchive::unarchiveObject(chain(KeyedArchive::kMaxDepth)));
    EXPECT_TRUE(KeyedArchive::unarchiveObject(chain(KeyedArchive::kMaxDepth - 1, true)));
    EXPECT_TRUE(KeyedArchive::unarchiveObject(doublingArrays(19)));
    for (std::string_view bytes : {"", "bplist00", "<plist><dict>", "garbage"})
        EXPECT_FALSE(KeyedArchive::unarchive(bytes)) << bytes;
}
