#pragma once

#include "knowledge/KBPasswordCipher.h"
#include "knowledge/SecureBuffer.h"
#include "platform/ContainerScratchFolder.h"
#include "platform/Log.h"
#include "support/Sandbox.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace container_test {

// What begins each line the knowledge base logs about a refusal.
inline const std::string kKnowledgeWarning =
    platform::Log::prefix(platform::Log::Component::Knowledge, platform::Log::Level::Warning);

inline std::span<const std::uint8_t> bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::string text(const std::optional<SecureBuffer>& buffer) {
    return buffer ? std::string(buffer->view()) : std::string("<nothing>");
}

std::string fromHex(std::string_view hex);

// One entry of a hand-made archive. A `unixMode` (full st_mode) marks the archive as made
// on Unix; a `declaredSize` is recorded instead of the real size of the deflated contents.
struct TestZipEntry {
    TestZipEntry(std::string entryName, std::string entryContents, unsigned long mode = 0,
                 bool encryptedFlag = false, std::optional<std::uint64_t> declared = std::nullopt)
        : name(std::move(entryName)), contents(std::move(entryContents)), unixMode(mode),
          encrypted(encryptedFlag), declaredSize(declared) {}

    std::string name;
    std::string contents;
    unsigned long unixMode = 0;
    bool encrypted = false;
    std::optional<std::uint64_t> declaredSize;
};

std::string makeZip(const std::vector<TestZipEntry>& entries);

// The layers of a container as the packer makes them, from the inside out.
enum class Layer { InnerZip, ScrambledInner, Encrypted, OuterZip, Container };
using PackedLayers = std::vector<std::string>; // indexed by Layer

PackedLayers packLayers(const std::string& document);
// Packs `bytes`, taken as the given layer, the rest of the way into a container.
std::string wrapFrom(Layer layer, const std::string& bytes);

// An encrypted stage from a message and the 16 password bytes that spell its password.
std::string placePasswordBytes(const std::string& message, const std::string& passwordBytes);
// A message made directly with OpenSSL without padding, so that the caller decides what
// the last block's padding looks like.
std::string messageWithoutPadding(const std::string& blocks, const std::string& password,
                                  const KBCipherSalts& salts);

// Every path below `folder`, relative to it.
std::set<std::string> listTree(const std::string& folder);

// Type and permission bits of `path` itself, not of what a link leads to; 0 when missing.
inline mode_t modeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & (S_IFMT | 07777) : 0;
}

// Every test leaves the temporary folder as it found it, but for the container's subfolder.
class TemporaryFolderKeptTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ContainerScratchFolder::create();
        m_before = listTree(m_tmp);
    }
    void TearDown() override { EXPECT_EQ(listTree(m_tmp), m_before); }

    std::string m_tmp = testing_support::Sandbox::process().tmp();
    std::set<std::string> m_before;
};

// Records the size of every buffer wipe on this thread while it lives, and whether the
// buffer was all zero afterwards.
class WipeRecorder {
public:
    WipeRecorder();
    ~WipeRecorder();
    // Whether wipes of exactly these sizes happened in this order, others between them.
    bool sawInOrder(const std::vector<std::size_t>& sizes) const;
    bool allZeroed() const;

private:
    std::vector<std::pair<std::size_t, bool>> m_wipes;
};

} // namespace container_test
