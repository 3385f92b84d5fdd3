#pragma once

#include "knowledge/SecureBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// A range of bytes in a buffer: `length` bytes from `location` on.
struct ByteRange {
    std::size_t location{0};
    std::size_t length{0};
};

// Names, random strings and byte operations shared by the stages that open and pack
// the knowledge-base container.
class DataChangeCommon {
public:
    // The name of the single entry of every archive in the container.
    static std::string innerFileName() { return "_"; }
    // The name under which an archive is written before it is unpacked.
    static std::string tmpFileName() { return "tmp.dat"; }

    // The encrypted stage carries its 16 password bytes at these offsets of its own
    // bytes, in this order; every other byte belongs to the encrypted message.
    static constexpr std::size_t kPasswordLength = 16;
    static constexpr std::array<std::size_t, kPasswordLength> kPasswordPlaces{
        1, 4, 6, 9, 13, 14, 18, 21, 25, 26, 30, 33, 35, 38, 42, 45};

    // A path that does not exist yet, in the container's own subfolder of the
    // temporary directory.
    static std::string buildTempPath();
    // The same in `base` (the container's subfolder when `base` is empty): a random
    // name of ten characters, one character longer after every name that is taken.
    // Answers an empty string if no free name is found.
    static std::string buildTempPathInPath(const std::string& base);
    using PathTaken = std::function<bool(const std::string& path)>;
    static std::string buildTempPathInPath(const std::string& base, const PathTaken& taken);

    static std::string randomStringWithLength(std::size_t length);
    static std::string randomHexStringWithLength(std::size_t length);
    static std::string randomStringWithLength(std::size_t length, std::string_view alphabet);

    // Each byte as two uppercase hexadecimal digits, in order.
    static std::string hexStringFromData(std::span<const std::uint8_t> data);
    // The reverse; nothing for an odd length or a character that is not a hex digit.
    static std::optional<SecureBuffer> dataFromHexString(std::string_view hex);

    // Reverses the order of the bytes in place.
    static void revertData(std::span<std::uint8_t> data);
    // Reverses the order of the bits of one byte.
    static std::uint8_t reverseChar(std::uint8_t byte);
    // Appends `range` of `source` to `target`; false, appending nothing, when the
    // range does not lie inside `source`.
    static bool appendToData(SecureBuffer& target, ByteRange range,
                             std::span<const std::uint8_t> source);
    // Whether `range` lies inside a buffer of `size` bytes.
    static bool rangeFits(ByteRange range, std::size_t size);
};
