#include "shell/PathForRemove.h"

#include "platform/Text.h"
#include "platform/Utf8.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/PathBytes.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

using platform::PlistValue;

constexpr std::int64_t kMaxInteger = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinInteger = std::numeric_limits<std::int64_t>::min();

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A number from text as the platform's strings read it: leading white space, an
// optional sign, then as many digits as follow; no digits read as 0.
std::int64_t integerFromText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulated as a negative number, whose range is one larger.
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value < (kMinInteger + digit) / 10)
            return negative ? kMinInteger : kMaxInteger;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == kMinInteger ? kMaxInteger : -value;
}

std::int64_t integerFromReal(double real) {
    if (std::isnan(real))
        return 0;
    if (real >= 9223372036854775808.0)
        return kMaxInteger;
    if (real <= -9223372036854775808.0)
        return kMinInteger;
    return static_cast<std::int64_t>(real);
}

// A number or a string read as a 64-bit integer; none for any other kind.
std::optional<std::int64_t> integerMember(const PlistValue& value) {
    if (auto integer = value.asInteger())
        return integer;
    if (auto real = value.asReal())
        return integerFromReal(*real);
    if (const std::string* text = value.asString())
        return integerFromText(*text);
    return std::nullopt;
}

} // namespace

std::shared_ptr<PathForRemove> PathForRemove::create(const std::string& path, std::int32_t type,
                                                     const std::string& bundleId) {
    if (path.empty() || bundleId.empty())
        return nullptr;
    return std::shared_ptr<PathForRemove>(
        new PathForRemove(path, type, platform::Text::lowercase(bundleId)));
}

std::shared_ptr<PathForRemove> PathForRemove::createFromDictionary(const PlistValue& item) {
    if (!item.asDictionary())
        return nullptr;
    const PlistValue* typeValue = item.get("type");
    const PlistValue* sizeValue = item.get("size");
    const PlistValue* pathValue = item.get("path");
    const PlistValue* bundleValue = item.get("bundleId");
    if (!typeValue || !pathValue || !pathValue->asString() || !bundleValue ||
        !bundleValue->asString())
        return nullptr;
    std::optional<std::int64_t> type = integerMember(*typeValue);
    if (!type)
        return nullptr;
    std::optional<std::int64_t> size;
    if (sizeValue) {
        size = integerMember(*sizeValue);
        if (!size)
            return nullptr;
    }
    auto group = static_cast<std::uint32_t>(static_cast<std::uint64_t>(*type));
    if (group >= kGroupCount)
        return nullptr;
    // A path that is not UTF-8 comes as bytes beside its readable form; bytes that do not
    // decode void the item rather than fall back to a form that may name another file.
    std::string path = *pathValue->asString();
    if (const PlistValue* bytes = item.get(PathBytes::kKey)) {
        std::optional<std::string> exact = PathBytes::pathFromMember(*bytes);
        if (!exact)
            return nullptr;
        path = std::move(*exact);
    }
    auto result = create(path, static_cast<std::int32_t>(group), *bundleValue->asString());
    if (result && size && *size >= 1)
        result->setSize(static_cast<std::uint64_t>(*size));
    if (const PlistValue* reason = item.get("reason"); result && reason && reason->asString())
        result->setReason(*reason->asString());
    return result;
}

PlistValue PathForRemove::toDictionary() const {
    PlistValue::Dictionary item;
    item["type"] = std::to_string(m_type);
    if (m_bIsSizeCalculated)
        item["size"] = std::to_string(m_nSize);
    item["path"] = PathBytes::readableForm(m_path);
    if (PathBytes::needsBytes(m_path))
        item[PathBytes::kKey] = PathBytes::toBase64(m_path);
    item["bundleId"] = m_bundleId;
    // JSON carries UTF-8 only; a reason that is not is left out rather than the item.
    if (!m_reason.empty() && platform::Utf8::isValid(m_reason))
        item["reason"] = m_reason;
    return PlistValue(std::move(item));
}

void PathForRemove::setSize(std::uint64_t size) {
    m_nSize = size;
    m_bIsSizeCalculated = true;
}

bool PathForRemove::checkIsRemovedByUser() const {
    return m_path.empty() ||
           !NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(m_path);
}
