#pragma once

#include "platform/PlistValue.h"

#include <optional>
#include <string>

// File names on Linux are bytes, but the bus carries strings only as UTF-8 and JSON
// texts are UTF-8 too. A path that is not valid UTF-8 therefore travels twice: as a
// readable form (each ill-formed byte replaced by U+FFFD), which older readers and
// people see, and as its exact bytes, which readers that know them prefer:
//
// - in the broadcast of an application moved to the Trash: the readable form as the
//   object, and the bytes as Data under "pathBytes" in the user information;
// - in an item of a watcher message: the readable form under "path", and the bytes in
//   standard base64 (RFC 4648, with padding) under "pathBytes".
//
// A path that is valid UTF-8 travels as it always did, with no "pathBytes".
class PathBytes {
public:
    static constexpr const char* kKey = "pathBytes";

    static bool needsBytes(const std::string& path);
    static std::string readableForm(const std::string& path);

    // The user information of the broadcast for `path`: null when it is valid UTF-8.
    static platform::PlistValue notificationUserInfo(const std::string& path);
    // The path a broadcast stands for: the bytes when the user information has them,
    // else the object. None when neither gives a usable path (empty, or with a NUL).
    static std::optional<std::string> pathFromNotification(const std::optional<std::string>& object,
                                                           const platform::PlistValue& userInfo);

    static std::string toBase64(const std::string& bytes);
    // None for anything but canonical base64 with padding.
    static std::optional<std::string> fromBase64(const std::string& text);
    // The path an item's "pathBytes" member stands for; none when it is not a string of
    // base64 that decodes to a usable path.
    static std::optional<std::string> pathFromMember(const platform::PlistValue& member);
};
