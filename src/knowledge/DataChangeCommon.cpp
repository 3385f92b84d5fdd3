#include "knowledge/DataChangeCommon.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::string_view kNameAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view kHexAlphabet = "0123456789ABCDEF";

} // namespace

std::string DataChangeCommon::randomStringWithLength(std::size_t length) {
    return randomStringWithLength(length, kNameAlphabet);
}

std::string DataChangeCommon::randomHexStringWithLength(std::size_t length) {
    return randomStringWithLength(length, kHexAlphabet);
}

std::string DataChangeCommon::randomStringWithLength(std::size_t length,
                                                     std::string_view alphabet) {
    std::string result;
    if (alphabet.empty())
        return result;
    result.reserve(length);
    for (std::size_t i = 0; i < length; ++i)
        result += alphabet[arc4random_uniform(static_cast<std::uint32_t>(alphabet.size()))];
    return result;
}

std::string DataChangeCommon::hexStringFromData(std::span<const std::uint8_t> data) {
    std::string hex;
    hex.reserve(data.size() * 2);
    for (std::uint8_t byte : data) {
        hex += kHexAlphabet[byte >> 4];
        hex += kHexAlphabet[byte & 0x0F];
    }
    return hex;
}

std::optional<SecureBuffer> DataChangeCommon::dataFromHexString(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    SecureBuffer data(hex.size() / 2);
    for (std::size_t i = 0; i < data.size(); ++i) {
        int high = platform::Text::hexDigitValue(hex[2 * i]);
        int low = platform::Text::hexDigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        data[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return data;
}

void DataChangeCommon::revertData(std::span<std::uint8_t> data) {
    std::reverse(data.begin(), data.end());
}

std::uint8_t DataChangeCommon::reverseChar(std::uint8_t byte) {
    byte = static_cast<std::uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = static_cast<std::uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    byte = static_cast<std::uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
    return byte;
}

bool DataChangeCommon::appendToData(SecureBuffer& target, ByteRange range,
                                    std::span<const std::uint8_t> source) {
    if (!rangeFits(range, source.size()))
        return false;
    target.append(source.subspan(range.location, range.length));
    return true;
}

void DataChangeCommon::revertDataAndBits(std::span<std::uint8_t> data) {
    revertData(data);
    // reverseChar() on eight bytes at a time: the same three swaps, within each byte.
    constexpr std::uint64_t kHigh4 = 0xF0F0F0F0F0F0F0F0ULL;
    constexpr std::uint64_t kHigh2 = 0xCCCCCCCCCCCCCCCCULL;
    constexpr std::uint64_t kHigh1 = 0xAAAAAAAAAAAAAAAAULL;
    std::size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= data.size(); at += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, data.data() + at, sizeof word);
        word = (word & kHigh4) >> 4 | (word & ~kHigh4) << 4;
        word = (word & kHigh2) >> 2 | (word & ~kHigh2) << 2;
        word = (word & kHigh1) >> 1 | (word & ~kHigh1) << 1;
        std::memcpy(data.data() + at, &word, sizeof word);
    }
    for (; at < data.size(); ++at)
        data[at] = reverseChar(data[at]);
}

std::optional<SecureBuffer> DataChangeCommon::runStages(std::span<const std::uint8_t> input,
                                                        std::initializer_list<Stage> stages,
                                                        std::size_t* failedStage) {
    std::optional<SecureBuffer> current;
    std::size_t index = 0;
    for (const Stage& stage : stages) {
        std::optional<SecureBuffer> next = stage(current ? current->bytes() : input);
        if (current)
            current->cleanse();
        if (!next) {
            if (failedStage)
                *failedStage = index;
            return std::nullopt;
        }
        ++index;
        current = std::move(next);
    }
    return current;
}

bool DataChangeCommon::rangeFits(ByteRange range, std::size_t size) {
    return range.location <= size && range.length <= size - range.location;
}
