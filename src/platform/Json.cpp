#include "platform/Json.h"

#include "platform/Utf8.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

namespace platform {

namespace {

// Builds the value straight from the parser's events, with its own stack of open
// containers, so that nesting costs heap rather than call stack and is cut off at
// the limit before anything deeper is built.
class ValueBuilder {
public:
    bool null() { return add(PlistValue()); }
    bool boolean(bool value) { return add(PlistValue(value)); }
    bool number_integer(std::int64_t value) { return add(PlistValue(value)); }
    bool number_unsigned(std::uint64_t value) {
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return add(PlistValue(static_cast<double>(value)));
        return add(PlistValue(static_cast<std::int64_t>(value)));
    }
    bool number_float(double value, const std::string&) { return add(PlistValue(value)); }
    bool string(std::string& value) { return add(PlistValue(std::move(value))); }
    bool binary(nlohmann::json::binary_t&) { return false; }
    bool start_object(std::size_t) { return open(Container::Kind::Object); }
    bool key(std::string& key) {
        m_open.back().key = std::move(key);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(Container::Kind::Array); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::json::exception&) {
        // The position counts the bytes read, the offending one included.
        m_errorOffset = position > 0 ? position - 1 : 0;
        return false;
    }
    std::optional<std::size_t> errorOffset() const { return m_errorOffset; }

    std::optional<PlistValue> take() { return std::move(m_result); }

private:
    struct Container {
        enum class Kind { Object, Array };
        Kind kind{Kind::Object};
        PlistValue::Dictionary dictionary;
        PlistValue::Array array;
        std::string key;
    };

    bool open(Container::Kind kind) {
        if (m_open.size() >= Json::kMaxDepth)
            return false;
        m_open.emplace_back().kind = kind;
        return true;
    }

    bool close() {
        Container finished = std::move(m_open.back());
        m_open.pop_back();
        if (finished.kind == Container::Kind::Object)
            return add(PlistValue(std::move(finished.dictionary)));
        return add(PlistValue(std::move(finished.array)));
    }

    bool add(PlistValue value) {
        if (m_open.empty()) {
            m_result = std::move(value);
            return true;
        }
        Container& parent = m_open.back();
        if (parent.kind == Container::Kind::Object)
            parent.dictionary.insert_or_assign(std::move(parent.key), std::move(value));
        else
            parent.array.push_back(std::move(value));
        return true;
    }

    std::vector<Container> m_open;
    std::optional<PlistValue> m_result;
    std::optional<std::size_t> m_errorOffset;
};

// `depth` counts the containers around `value`.
bool toJson(const PlistValue& value, nlohmann::json& out, std::size_t depth) {
    switch (value.kind()) {
    case PlistValue::Kind::Null:
        out = nullptr;
        return true;
    case PlistValue::Kind::Dictionary:
        if (depth >= Json::kMaxDepth)
            return false;
        out = nlohmann::json::object();
        for (const auto& [key, item] : *value.asDictionary()) {
            if (!Utf8::isValid(key) || !toJson(item, out[key], depth + 1))
                return false;
        }
        return true;
    case PlistValue::Kind::Array: {
        if (depth >= Json::kMaxDepth)
            return false;
        out = nlohmann::json::array();
        auto& elements = out.get_ref<nlohmann::json::array_t&>();
        elements.reserve(value.asArray()->size());
        for (const PlistValue& item : *value.asArray()) {
            if (!toJson(item, elements.emplace_back(), depth + 1))
                return false;
        }
        return true;
    }
    case PlistValue::Kind::String:
        if (!Utf8::isValid(*value.asString()))
            return false;
        out = *value.asString();
        return true;
    case PlistValue::Kind::Integer:
        out = *value.asInteger();
        return true;
    case PlistValue::Kind::Real:
        if (!std::isfinite(*value.asReal()))
            return false;
        out = *value.asReal();
        return true;
    case PlistValue::Kind::Boolean:
        out = *value.asBoolean();
        return true;
    case PlistValue::Kind::Data:
    case PlistValue::Kind::Date:
    case PlistValue::Kind::Uid:
        break;
    }
    return false;
}

} // namespace

std::optional<PlistValue> Json::parse(std::string_view text,
                                      std::optional<std::size_t>* errorOffset) {
    ValueBuilder builder;
    bool parsed = false;
    try {
        parsed = nlohmann::json::sax_parse(text.begin(), text.end(), &builder,
                                           nlohmann::json::input_format_t::json, true, false);
    } catch (const std::exception&) {
        parsed = false;
    }
    if (errorOffset)
        *errorOffset = parsed ? std::nullopt : builder.errorOffset();
    if (!parsed)
        return std::nullopt;
    return builder.take();
}

std::optional<std::string> Json::serialize(const PlistValue& value) {
    try {
        nlohmann::json json;
        if (!toJson(value, json, 0))
            return std::nullopt;
        return json.dump();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace platform
