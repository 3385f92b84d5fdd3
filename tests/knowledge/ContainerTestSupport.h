#pragma once

#include "knowledge/KBPasswordCipher.h"
#include "knowledge/SecureBuffer.h"

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace container_test {

inline std::span<const std::uint8_t> bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::string text(const std::optional<SecureBuffer>& buffer) {
    return buffer ? std::string(buffer->view()) : std::string("<nothing>");
}

std::string fromHex(std::string_view hex);

// One entry of a hand-made archive. `unixMode` (a full st_mode) marks the archive as
// made on Unix; `declaredSize` stores the contents deflated as they are but records
// this size instead of the real one.
struct TestZipEntry {
    TestZipEntry(std::string entryName, std::string entryContents, unsigned long mode = 0,
                 bool encrypted = false, std::optional<std::uint64_t> declared = std::nullopt)
        : name(std::move(entryName)), contents(std::move(entryContents)), unixMode(mode),
          encryptedFlag(encrypted), declaredSize(declared) {}

    std::string name;
    std::string contents;
    unsigned long unixMode{0};
    bool encryptedFlag{false};
    std::optional<std::uint64_t> declaredSize;
};

// A zip archive written by minizip's zip interface, as bytes.
std::string makeZip(const std::vector<TestZipEntry>& entries);

// The layers of a container as the packer produces them, from inside out.
enum class Layer { Document, InnerZip, ScrambledInner, Encrypted, OuterZip, Container };

struct PackedLayers {
    std::string document;
    std::string innerZip;
    std::string scrambledInner;
    std::string encrypted;
    std::string outerZip;
    std::string container;
};

PackedLayers packLayers(const std::string& document);
// Packs `bytes`, taken as the given layer, the rest of the way into a container.
std::string wrapFrom(Layer layer, const std::string& bytes);

// An encrypted stage from a message and the 16 password bytes that spell its password.
std::string placePasswordBytes(const std::string& message, const std::string& passwordBytes);
// A message built directly with OpenSSL, without padding: `blocks` must be a whole
// number of blocks, so the caller decides what the last block's padding looks like.
std::string messageWithoutPadding(const std::string& blocks, const std::string& password,
                                  const KBCipherSalts& salts);

// Every path below `folder`, relative to it.
std::set<std::string> listTree(const std::string& folder);

// Records every buffer wipe on this thread while it lives.
class WipeRecorder {
public:
    struct Wipe {
        std::size_t size;
        bool zeroed;
    };
    WipeRecorder();
    ~WipeRecorder();
    const std::vector<Wipe>& wipes() const { return m_wipes; }
    // Whether wipes of exactly these sizes happened in this order (others may come
    // between them).
    bool sawInOrder(const std::vector<std::size_t>& sizes) const;

private:
    std::vector<Wipe> m_wipes;
};

} // namespace container_test
