#include "platform/PlistValue.h"

namespace platform {

PlistValue::PlistValue(Dictionary dictionary)
    : m_value(std::make_shared<const Dictionary>(std::move(dictionary))) {}

PlistValue::PlistValue(Array array) : m_value(std::make_shared<const Array>(std::move(array))) {}

PlistValue::PlistValue(Data data) : m_value(std::make_shared<const Data>(std::move(data))) {}

const PlistValue::Dictionary* PlistValue::asDictionary() const {
    const auto* shared = std::get_if<std::shared_ptr<const Dictionary>>(&m_value);
    return shared ? shared->get() : nullptr;
}

const PlistValue::Array* PlistValue::asArray() const {
    const auto* shared = std::get_if<std::shared_ptr<const Array>>(&m_value);
    return shared ? shared->get() : nullptr;
}

const std::string* PlistValue::asString() const {
    return std::get_if<std::string>(&m_value);
}

std::optional<std::int64_t> PlistValue::asInteger() const {
    if (const auto* integer = std::get_if<std::int64_t>(&m_value))
        return *integer;
    return std::nullopt;
}

std::optional<double> PlistValue::asReal() const {
    if (const auto* real = std::get_if<double>(&m_value))
        return *real;
    return std::nullopt;
}

std::optional<double> PlistValue::asNumber() const {
    if (auto integer = asInteger())
        return static_cast<double>(*integer);
    return asReal();
}

std::optional<bool> PlistValue::asBoolean() const {
    if (const auto* boolean = std::get_if<Boolean>(&m_value))
        return boolean->value;
    return std::nullopt;
}

const PlistValue::Data* PlistValue::asData() const {
    const auto* shared = std::get_if<std::shared_ptr<const Data>>(&m_value);
    return shared ? shared->get() : nullptr;
}

std::optional<double> PlistValue::asDate() const {
    if (const auto* date = std::get_if<Date>(&m_value))
        return date->secondsSince2001;
    return std::nullopt;
}

std::optional<std::uint64_t> PlistValue::asUid() const {
    if (const auto* uid = std::get_if<Uid>(&m_value))
        return uid->value;
    return std::nullopt;
}

const PlistValue* PlistValue::get(std::string_view key) const {
    const Dictionary* dictionary = asDictionary();
    if (!dictionary)
        return nullptr;
    auto found = dictionary->find(key);
    return found == dictionary->end() ? nullptr : &found->second;
}

const PlistValue* PlistValue::item(std::size_t index) const {
    const Array* array = asArray();
    if (!array || index >= array->size())
        return nullptr;
    return &(*array)[index];
}

bool PlistValue::operator==(const PlistValue& other) const {
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Kind::Null:
        return true;
    case Kind::Dictionary:
        return asDictionary() == other.asDictionary() || *asDictionary() == *other.asDictionary();
    case Kind::Array:
        return asArray() == other.asArray() || *asArray() == *other.asArray();
    case Kind::Data:
        return asData() == other.asData() || *asData() == *other.asData();
    case Kind::String:
    case Kind::Integer:
    case Kind::Real:
    case Kind::Boolean:
    case Kind::Date:
    case Kind::Uid:
        break;
    }
    return m_value == other.m_value;
}

} // namespace platform
