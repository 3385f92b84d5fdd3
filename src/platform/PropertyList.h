#pragma once

#include "platform/PlistValue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Reading and writing XML and binary property lists.
//
// Where the underlying library cannot carry a value faithfully:
// - Integers are 64-bit signed. Files hold unsigned values above INT64_MAX as
//   16-byte integers, and these read as their low 64 bits taken as signed (so
//   18446744073709551615 reads as -1); negative numbers round-trip.
// - Dates must lie within about 68 years of 2001 (1933 to 2069); a file holding
//   another date reads as none, and such a value cannot be written. XML keeps whole
//   seconds only, binary keeps microseconds.
// - Strings and keys must be valid UTF-8 without NUL characters, in files and in
//   values written; anything else gives none.
// - A dictionary whose only key is "CF$UID" with an integer value is the XML form of
//   a Uid and reads as one.
// - Null values cannot be written.
// - Containers may nest at most kMaxDepth deep, in files and in values written, and
//   the shared objects of a binary list may expand to at most 2^20 objects.
class PropertyList {
public:
    enum class Format { Xml, Binary };

    static constexpr std::size_t kMaxDepth = 512;
    static constexpr std::size_t kDefaultMaxFileBytes = std::size_t(16) << 20;

    // Why a read gave no value.
    enum class Failure {
        None,
        Missing,         // nothing at the path
        NotAFile,        // a folder or another kind of item
        TooLarge,        // larger than the bound the caller gave
        Unreadable,      // the file could not be read
        Empty,           // no bytes
        Refused,         // turned away before parsing: nested or shared past the bounds
        Malformed,       // not a well-formed XML or binary property list
        Unrepresentable, // well-formed, but holds a value this service cannot carry
    };
    struct Reading {
        std::optional<PlistValue> value;
        Failure failure{Failure::None};
    };
    static std::string_view nameOf(Failure failure);

    // An XML or binary property list (told apart by the first bytes), or why not.
    static Reading read(std::string_view bytes);
    // The property list in a regular file (links followed), or why not.
    static Reading readFileWithReason(const std::string& path,
                                      std::size_t maxBytes = kDefaultMaxFileBytes);

    // The value of read(); none when the bytes are not a well-formed property list.
    static std::optional<PlistValue> parse(std::string_view bytes);

    // The property list in a regular file (links followed); none when the file is
    // missing, unreadable, not a regular file, larger than `maxBytes` or malformed.
    static std::optional<PlistValue> readFile(const std::string& path,
                                              std::size_t maxBytes = kDefaultMaxFileBytes);

    // The value written in either format; none when it cannot be represented.
    static std::optional<std::string> toXml(const PlistValue& value);
    static std::optional<std::string> toBinary(const PlistValue& value);

    // Writes atomically: the file at `path` is either replaced entirely or left as it
    // was. A replaced file keeps its permission bits; a new one gets 0644.
    static bool writeFile(const std::string& path, const PlistValue& value, Format format);
};

} // namespace platform
