#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// One property-list object: what XML and binary property lists, keyed archives,
// Info.plist files and JSON texts are made of.
//
// A value is immutable once built. Dictionaries, arrays and data are shared
// between copies, so copying a large tree costs one reference count, and copies
// may be read from several threads at once. Build containers first, then wrap them:
//
//     PlistValue::Dictionary info;
//     info["CFBundleIdentifier"] = "com.example.Foo";
//     PlistValue value(std::move(info));
//
// Null exists only for JSON's null; property lists cannot hold it.
class PlistValue {
public:
    enum class Kind { Null, Dictionary, Array, String, Integer, Real, Boolean, Data, Date, Uid };

    using Dictionary = std::map<std::string, PlistValue, std::less<>>;
    using Array = std::vector<PlistValue>;
    using Data = std::vector<std::uint8_t>;

    // A point in time as seconds since 2001-01-01 00:00:00 UTC.
    struct Date {
        double secondsSince2001{0};
        bool operator==(const Date&) const = default;
    };

    // A reference to an object of a keyed archive (an index into its object list).
    struct Uid {
        std::uint64_t value{0};
        bool operator==(const Uid&) const = default;
    };

    PlistValue() = default;
    PlistValue(Dictionary dictionary);
    PlistValue(Array array);
    PlistValue(std::string string) : m_value(std::move(string)) {}
    PlistValue(std::string_view string) : m_value(std::string(string)) {}
    PlistValue(const char* string) : m_value(std::string(string)) {}
    // Every integer type converts to a 64-bit signed Integer; unsigned values above
    // INT64_MAX wrap around to negative numbers, as they do when read from a file.
    template <std::integral T>
    requires(!std::same_as<T, bool>) PlistValue(T integer)
        : m_value(static_cast<std::int64_t>(integer)) {}
    PlistValue(double real) : m_value(real) {}
    // A template so that pointers do not silently become booleans.
    template <std::same_as<bool> T> PlistValue(T boolean) : m_value(Boolean{boolean}) {}
    PlistValue(Data data);
    PlistValue(Date date) : m_value(date) {}
    PlistValue(Uid uid) : m_value(uid) {}

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // Typed views: null or none when the value is of another kind.
    const Dictionary* asDictionary() const;
    const Array* asArray() const;
    const std::string* asString() const;
    std::optional<std::int64_t> asInteger() const;
    std::optional<double> asReal() const;
    // An Integer or a Real, as a double.
    std::optional<double> asNumber() const;
    std::optional<bool> asBoolean() const;
    const Data* asData() const;
    std::optional<double> asDate() const;
    std::optional<std::uint64_t> asUid() const;

    // The value under `key` of a dictionary; null for a missing key or another kind.
    const PlistValue* get(std::string_view key) const;
    // The element at `index` of an array; null when out of range or another kind.
    const PlistValue* item(std::size_t index) const;

    // Deep comparison. Kinds must match: Integer 1 differs from Real 1.0.
    bool operator==(const PlistValue& other) const;

private:
    // Distinct from the integer alternative so that the variant never confuses them.
    struct Boolean {
        bool value{false};
        bool operator==(const Boolean&) const = default;
    };

    // The alternatives follow the order of Kind.
    std::variant<std::monostate, std::shared_ptr<const Dictionary>, std::shared_ptr<const Array>,
                 std::string, std::int64_t, double, Boolean, std::shared_ptr<const Data>, Date, Uid>
        m_value;
};

} // namespace platform
