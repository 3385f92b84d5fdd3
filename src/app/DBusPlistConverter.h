#pragma once

#include "platform/PlistValue.h"

#include <QVariant>
#include <QVariantMap>
#include <optional>

class QDBusArgument;

// Converts property-list values to the values Qt D-Bus sends and back, for the user
// information of distributed notifications (a D-Bus dictionary a{sv}).
//
// Sending keeps every kind apart: booleans go as D-Bus booleans, integers as 64-bit
// integers, reals as doubles, data as byte arrays, arrays as av and dictionaries as
// a{sv}. D-Bus has no dates and no archive references: a date goes as its seconds
// since 2001 (a double) and a reference as an unsigned integer, so both arrive as
// numbers. Null and strings that D-Bus cannot hold (NUL characters, ill-formed
// UTF-8) are refused.
//
// Receiving takes whatever another program sent: every D-Bus integer becomes an
// Integer, object paths and signatures become strings, structures become arrays,
// dictionaries keep their string keys (integer keys become their decimal text),
// and what has no counterpart (file descriptors, other keys) is left out.
class DBusPlistConverter {
public:
    // Values nested deeper than this are refused when sending and left out when
    // received.
    static constexpr int kMaxDepth = 64;

    static std::optional<QVariant> toVariant(const platform::PlistValue& value);
    // A dictionary as a{sv}; none for any other kind.
    static std::optional<QVariantMap> toVariantMap(const platform::PlistValue& dictionary);

    // None when the value has no property-list counterpart.
    static std::optional<platform::PlistValue> fromVariant(const QVariant& value);
    // A D-Bus dictionary (or anything else) read from a message argument; a
    // dictionary of what could be read, empty when it is not a dictionary.
    static platform::PlistValue dictionaryFromArgument(const QVariant& argument);

private:
    static std::optional<QVariant> toVariant(const platform::PlistValue& value, int depth);
    static std::optional<platform::PlistValue> fromVariant(const QVariant& value, int depth);
    static std::optional<platform::PlistValue> fromArgument(const QDBusArgument& argument,
                                                            int depth);
};
