#include "knowledge/KnowledgeRecordArena.h"

#include "platform/MemoryRelease.h"

#include <cstdint>
#include <cstring>
#include <new>

std::byte* KnowledgeRecordArena::newBlock(std::size_t bytes) {
    m_blocks.push_back(std::unique_ptr<std::byte[]>(new std::byte[bytes]));
    m_bytesHeld += bytes;
    // A large block is filled from end to end: its pages are had in one call rather than
    // a fault each.
    if (bytes >= kLargeBlockBytes)
        platform::MemoryRelease::prepareForWriting(m_blocks.back().get(), bytes);
    return m_blocks.back().get();
}

void* KnowledgeRecordArena::allocate(std::size_t size, std::size_t alignment) {
    const std::size_t skip =
        (alignment - reinterpret_cast<std::uintptr_t>(m_next) % alignment) % alignment;
    if (m_next && skip + size <= m_left) {
        void* at = m_next + skip;
        m_next += skip + size;
        m_left -= skip + size;
        return at;
    }
    // Something larger than a quarter block gets a block of its own, so that the rest
    // of the current block is not thrown away for it.
    if (size > kBlockBytes / 4)
        return newBlock(size);
    // A knowledge base of a few records keeps to small blocks; a large one, once it has
    // filled some, takes large ones.
    const std::size_t block = m_bytesHeld >= kLargeBlockBytes ? kLargeBlockBytes : kBlockBytes;
    m_next = newBlock(block);
    m_left = block;
    void* at = m_next;
    m_next += size;
    m_left -= size;
    return at;
}

std::string_view KnowledgeRecordArena::store(std::string_view first, std::string_view second) {
    const std::size_t size = first.size() + second.size();
    if (size == 0)
        return {};
    auto* at = static_cast<char*>(allocate(size, 1));
    // Either part may be empty, with a data pointer that must not reach memcpy.
    if (!first.empty())
        std::memcpy(at, first.data(), first.size());
    if (!second.empty())
        std::memcpy(at + first.size(), second.data(), second.size());
    return {at, size};
}

const char* KnowledgeRecordArena::internFolder(std::string_view folder) {
    if (folder.empty())
        return nullptr;
    if (auto found = m_folders.find(folder); found != m_folders.end())
        return found->second;
    const auto length = static_cast<std::uint32_t>(folder.size());
    auto* at = static_cast<char*>(allocate(sizeof length + folder.size(), alignof(std::uint32_t)));
    std::memcpy(at, &length, sizeof length);
    char* bytes = at + sizeof length;
    std::memcpy(bytes, folder.data(), folder.size());
    m_folders.emplace(std::string_view(bytes, folder.size()), bytes);
    return bytes;
}

std::string_view KnowledgeRecordArena::folderAt(const char* bytes) {
    if (!bytes)
        return {};
    std::uint32_t length = 0;
    std::memcpy(&length, bytes - sizeof length, sizeof length);
    return {bytes, length};
}

void KnowledgeRecordArena::forgetFolders() {
    std::unordered_map<std::string_view, const char*>().swap(m_folders);
}
