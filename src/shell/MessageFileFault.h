#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Why a message file or a command file was not read: its category, and the byte offset
// in the file where the reader stopped, when it knows one.
struct MessageFileFault {
    enum class Kind {
        Missing,      // nothing at the path
        NotAFile,     // a folder, a device or another kind of item
        TooLarge,     // larger than the message files' bound
        Unreadable,   // the file could not be read
        NotUtf8,      // a text message with bytes that are not UTF-8
        WrongHeader,  // not the protocol this side speaks
        Malformed,    // the header is right, the body does not parse
        NoItems,      // well-formed, with nothing usable in it
        NotAnArchive, // a command file that is no keyed archive
    };

    Kind kind{Kind::Unreadable};
    std::optional<std::size_t> offset;
    // What the reader underneath said, when that adds something.
    std::string detail;

    static std::string_view nameOf(Kind kind);
    // "malformed at byte 17", "not a command archive (not a property list)".
    std::string describe() const;
};
