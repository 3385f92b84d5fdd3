#pragma once

#include "knowledge/SecureBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
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

    // Every zip archive begins with these four bytes; its scrambled form leaves them out.
    static constexpr std::array<std::uint8_t, 4> kZipSignature{'P', 'K', 0x03, 0x04};

    // One stage of packing or opening a container.
    using Stage = std::function<std::optional<SecureBuffer>(std::span<const std::uint8_t>)>;
    // Feeds `input` through `stages` in order and answers what the last one gives,
    // wiping each intermediate result as soon as the next stage has used it. Nothing as
    // soon as a stage gives nothing.
    // `failedStage`, when given, receives the index of the stage that gave nothing.
    static std::optional<SecureBuffer> runStages(std::span<const std::uint8_t> input,
                                                 std::initializer_list<Stage> stages,
                                                 std::size_t* failedStage = nullptr);
    // Runs one stage so that nothing it throws (an allocation that fails on absurd
    // input) escapes: a stage that throws gives nothing, like any other failure.
    template <class Body> static std::optional<SecureBuffer> guarded(Body body) {
        try {
            return body();
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

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
    // Reverses the order of the bytes and of the bits of every byte, in place: the
    // scrambling of one part of an archive, which undoes itself.
    static void revertDataAndBits(std::span<std::uint8_t> data);
    // Appends `range` of `source` to `target`; false, appending nothing, when the
    // range does not lie inside `source`.
    static bool appendToData(SecureBuffer& target, ByteRange range,
                             std::span<const std::uint8_t> source);
    // Whether `range` lies inside a buffer of `size` bytes.
    static bool rangeFits(ByteRange range, std::size_t size);
};
