#pragma once

#include <QString>
#include <string>

// How a program of ours is addressed on the session bus. Its bundle identifier is
// its well-known bus name, and it serves org.freedesktop.Application at the object
// path derived from that name as the freedesktop convention says: a "/" in front,
// every "." turned into "/", and every "-" (allowed in bus names but not in object
// paths) turned into "_". So com.halvorn.Sweepwise-SIII-Helper is served at
// /com/halvorn/Sweepwise_SIII_Helper.
class ApplicationBusName {
public:
    static constexpr const char* kInterface = "org.freedesktop.Application";

    // Whether `bundleIdentifier` can be a well-known bus name: at least two
    // non-empty elements of letters, digits, "_" and "-", none starting with a
    // digit, at most 255 characters in all.
    static bool isValid(const std::string& bundleIdentifier);

    // The object path for a valid name.
    static QString objectPath(const std::string& bundleIdentifier);
};
