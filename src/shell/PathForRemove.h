#pragma once

#include "platform/PlistValue.h"

#include <cstdint>
#include <memory>
#include <string>

// One leftover found for a removed application: its path, the lower-case bundle
// identifier of the application, its dependency group and, once measured, its size.
class PathForRemove {
public:
    // Groups are numbered 0 to 17.
    static constexpr std::uint32_t kGroupCount = 18;

    // Null unless both the path and the bundle identifier are non-empty. The
    // identifier is stored in lower case; the size starts as not calculated.
    static std::shared_ptr<PathForRemove> create(const std::string& path, std::int32_t type,
                                                 const std::string& bundleId);

    // An item object of a watcher message; null when it is not a dictionary or a
    // member is missing or of the wrong kind, or the type is not a group number.
    // "type" and "size" may be numbers or strings; strings are read the way the
    // platform reads a number from text (leading white space, an optional sign,
    // digits, the rest ignored, saturating at the 64-bit limits), so "abc" is 0.
    // The type's low 32 bits, taken as unsigned, must be below kGroupCount. A size
    // below 1 leaves the size not calculated. A "pathBytes" member (PathBytes) gives
    // the exact path in place of "path", and voids the item when it does not decode.
    static std::shared_ptr<PathForRemove> createFromDictionary(const platform::PlistValue& item);

    // The item object: "type", "path", "bundleId", when calculated "size", all as
    // strings in decimal, and, when known, "reason"; for a path that is not UTF-8, "path"
    // holds its readable form and "pathBytes" its exact bytes (PathBytes). Readers that
    // know nothing of "reason" pass over it; createFromDictionary() takes it when it is a
    // string.
    platform::PlistValue toDictionary() const;

    std::uint64_t getSize() const { return m_nSize; }
    // Stores the size and marks it calculated.
    void setSize(std::uint64_t size);
    bool isSizeCalculated() const { return m_bIsSizeCalculated; }

    std::int32_t type() const { return m_type; }
    const std::string& bundleId() const { return m_bundleId; }
    const std::string& path() const { return m_path; }
    // Why the item is offered, for people: where it was found and what matched; ""
    // when not known.
    const std::string& reason() const { return m_reason; }
    void setReason(std::string reason) { m_reason = std::move(reason); }

    // Whether nothing exists at the path any more (a dangling link still counts as
    // existing).
    bool checkIsRemovedByUser() const;

private:
    PathForRemove(std::string path, std::int32_t type, std::string bundleId)
        : m_type(type), m_bundleId(std::move(bundleId)), m_path(std::move(path)) {}

    std::uint64_t m_nSize{0};
    bool m_bIsSizeCalculated{false};
    std::int32_t m_type{0};
    std::string m_bundleId;
    std::string m_path;
    std::string m_reason;
};
