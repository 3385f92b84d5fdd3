#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

// Storage for the records of one knowledge base and their paths. A knowledge base holds
// about a hundred thousand records, all made while it loads and all kept until it goes.
// Allocated one by one, each record and each path would pay a heap header and a
// rounding, and each path a 32-byte string besides; here they lie end to end in large
// blocks that are given back together when the arena goes, without running any
// destructor (a record has none to run).
//
// The arena is filled by one thread at a time (the one loading); what it holds may then
// be read from any thread.
class KnowledgeRecordArena {
public:
    // Small enough to fit the holes that a load's reader leaves in the heap as it gives
    // its tree back (two of its record blocks side by side), so that the records fill
    // them instead of growing the heap.
    static constexpr std::size_t kBlockBytes = 8 * 1024;
    // The blocks of an arena that already holds this much.
    static constexpr std::size_t kLargeBlockBytes = 64 * 1024;

    KnowledgeRecordArena() = default;
    KnowledgeRecordArena(const KnowledgeRecordArena&) = delete;
    KnowledgeRecordArena& operator=(const KnowledgeRecordArena&) = delete;

    // `size` bytes aligned to `alignment` (a power of two no larger than that of
    // std::max_align_t), valid as long as the arena. Throws std::bad_alloc, as operator
    // new does, when memory runs out.
    void* allocate(std::size_t size, std::size_t alignment);
    // A copy of `first` followed by `second`, valid as long as the arena. Not
    // NUL-terminated; an empty result may point anywhere.
    std::string_view store(std::string_view first, std::string_view second = {});

    // A copy of `folder`, made once however often it is asked for while the arena keeps
    // its folders: records of the same folder share it. Gives where its bytes start, with
    // their count stored in front of them (see folderAt()); nullptr for an empty one.
    const char* internFolder(std::string_view folder);
    // The folder internFolder() gave `bytes` for.
    static std::string_view folderAt(const char* bytes);
    // Forgets which folders are held, for an arena that takes no more records: what was
    // handed out stays, later requests make new copies.
    void forgetFolders();

    // Bytes of the blocks taken from the heap, for the performance report and tests.
    std::size_t bytesHeld() const { return m_bytesHeld; }

private:
    std::byte* newBlock(std::size_t bytes);

    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::unordered_map<std::string_view, const char*> m_folders;
    std::byte* m_next{nullptr};
    std::size_t m_left{0};
    std::size_t m_bytesHeld{0};
};
