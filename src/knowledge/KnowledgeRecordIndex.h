#pragma once

#include "knowledge/KnowledgeRecord.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

// The knowledge base's file-name index: each last path component to the newest record
// filed under it, the head of its chain. A knowledge base files about a hundred thousand
// records here while it loads and the search asks it for every file it meets, so the
// entries lie in one array, in the order their names were first filed, and a table of
// small slots probed in order (open addressing) leads to them: finding a name reads a
// slot or two and, when the part of the hash kept in the slot matches, its entry; there
// is no node per entry behind a bucket to chase through memory.
//
// Keys are views and records are pointers: whoever files a record keeps it and its name
// alive as long as the index (the knowledge base files views into its records' own
// paths, all in its arena).
class KnowledgeRecordIndex {
public:
    using value_type = std::pair<std::string_view, KnowledgeRecord*>;
    using const_iterator = std::vector<value_type>::const_iterator;
    using iterator = const_iterator;

    // Records to file together, in the order given; see fileAll().
    class Batch {
    public:
        void reserve(std::size_t records) { m_pending.reserve(records); }
        // The record, to be filed under the last component of its path.
        void add(KnowledgeRecord& record);
        bool empty() const { return m_pending.empty(); }

    private:
        friend class KnowledgeRecordIndex;
        // The name is found again from the record when it is filed: a hundred thousand
        // views would take 1.6 MB more at the moment a load holds the most memory.
        struct Pending {
            std::size_t hash;
            KnowledgeRecord* record;
        };
        std::vector<Pending> m_pending;
    };

    KnowledgeRecordIndex() = default;
    KnowledgeRecordIndex(const KnowledgeRecordIndex&) = delete;
    KnowledgeRecordIndex& operator=(const KnowledgeRecordIndex&) = delete;

    // Room for `names` names without growing on the way.
    void reserve(std::size_t names);
    // The head filed under `name`, an empty one filed first when there is none. The
    // reference lasts until the next name is filed.
    KnowledgeRecord*& operator[](std::string_view name);
    // Files every record of `batch` as the newest under its name, in the batch's order:
    // the same chains as filing them one by one, but the slots of the records a little
    // further on are fetched from memory while the current one is filed, so that a load
    // does not wait for memory once per record. Empties the batch.
    void fileAll(Batch& batch);

    const_iterator find(std::string_view name) const;
    // The head filed under `name`, or null.
    KnowledgeRecord* head(std::string_view name) const;
    std::size_t count(std::string_view name) const { return find(name) == end() ? 0 : 1; }

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }

private:
    // Empty while `entry` is 0; otherwise the entry's position plus one, and the upper
    // half of its name's hash.
    struct Slot {
        std::uint32_t entry{0};
        std::uint32_t hash{0};
    };

    static std::size_t hashOf(std::string_view name);
    static std::string_view nameOf(const KnowledgeRecord& record);
    // The slot of `name`, or the empty slot where it would go; the table must have one.
    std::size_t slotOf(std::string_view name, std::size_t hash) const;
    KnowledgeRecord*& headFor(std::string_view name, std::size_t hash);
    void grow(std::size_t capacity);

    std::vector<Slot> m_slots;
    std::vector<value_type> m_entries;
};
