#include "shell/PathBytes.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

using platform::PlistValue;

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextetOf(char c) {
    std::size_t index = kAlphabet.find(c);
    return index == std::string_view::npos ? -1 : static_cast<int>(index);
}

bool isUsablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

} // namespace

bool PathBytes::needsBytes(const std::string& path) {
    return !platform::Utf8::isValid(path);
}

std::string PathBytes::readableForm(const std::string& path) {
    if (!needsBytes(path))
        return path;
    std::string readable;
    readable.reserve(path.size() + 8);
    for (std::size_t offset = 0; offset < path.size();)
        platform::Utf8::append(readable, platform::Utf8::next(path, offset));
    return readable;
}

PlistValue PathBytes::notificationUserInfo(const std::string& path) {
    if (!needsBytes(path))
        return {};
    PlistValue::Dictionary info;
    info[kKey] = PlistValue(PlistValue::Data(path.begin(), path.end()));
    return PlistValue(std::move(info));
}

std::optional<std::string> PathBytes::pathFromNotification(const std::optional<std::string>& object,
                                                           const PlistValue& userInfo) {
    if (const PlistValue* bytes = userInfo.get(kKey)) {
        // Bytes that are there but unusable are not replaced by the readable form, which
        // may name another file.
        const PlistValue::Data* data = bytes->asData();
        if (!data)
            return std::nullopt;
        std::string path(data->begin(), data->end());
        return isUsablePath(path) ? std::optional(path) : std::nullopt;
    }
    if (!object || !isUsablePath(*object))
        return std::nullopt;
    return object;
}

std::string PathBytes::toBase64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

std::optional<std::string> PathBytes::fromBase64(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        std::size_t padding = 0;
        if (last)
            padding = (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=');
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            int sextet = k < 4 - padding ? sextetOf(text[i + k]) : 0;
            if (sextet < 0)
                return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(sextet);
        }
        // Bits under the padding must be zero, so every byte string has one spelling.
        if ((padding == 1 && (group & 0xFF)) || (padding == 2 && (group & 0xFFFF)))
            return std::nullopt;
        for (std::size_t k = 0; k < 3 - padding; ++k)
            bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFF);
    }
    return bytes;
}

std::optional<std::string> PathBytes::pathFromMember(const PlistValue& member) {
    const std::string* text = member.asString();
    if (!text)
        return std::nullopt;
    std::optional<std::string> path = fromBase64(*text);
    if (!path || !isUsablePath(*path))
        return std::nullopt;
    return path;
}
