#pragma once

#include "knowledge/KnowledgeRecord.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

// The knowledge base's file-name index: each last path component to the newest record
// filed under it, the head of its chain. A knowledge base files about a hundred thousand
// records here while it loads and the search asks it for every file it meets, so the
// entries lie in one array, in the order their names were first filed, and a table of
// small slots probed in order (open addressing) leads to them: finding a name reads a
// slot or two and, when the part of the hash kept in the slot matches, its entry and
// the name of the record there; there is no node per entry behind a bucket to chase
// through memory.
//
// An entry is only the head's pointer: a name is the head's own name(), so the index
// keeps no key of its own (8 bytes a name, and 8 a slot). Finding a name that is there
// thus reads the head record before its name, one step more than a key beside the
// entry would take; the search reads that record next anyway. Whoever files a record
// keeps it alive as long as the index (the knowledge base's records are all in its
// arena).
class KnowledgeRecordIndex {
public:
    // A name and the head of its chain, made when an entry is read.
    using value_type = std::pair<std::string_view, KnowledgeRecord*>;

    class const_iterator {
    public:
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::input_iterator_tag;
        using value_type = KnowledgeRecordIndex::value_type;
        using difference_type = std::ptrdiff_t;
        using reference = value_type;
        // What `->` reaches through: the pair, held while the expression lasts.
        struct pointer {
            value_type pair;
            const value_type* operator->() const { return &pair; }
        };

        const_iterator() = default;
        value_type operator*() const { return {(*m_at)->name(), *m_at}; }
        pointer operator->() const { return {**this}; }
        const_iterator& operator++() {
            ++m_at;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator was = *this;
            ++m_at;
            return was;
        }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;

    private:
        friend class KnowledgeRecordIndex;
        explicit const_iterator(KnowledgeRecord* const* at) : m_at(at) {}
        KnowledgeRecord* const* m_at{nullptr};
    };
    using iterator = const_iterator;

    // Records to file together, in the order given; see fileAll(). The records wait in a
    // chain through their own nextRecord(), which nothing reads before they are filed,
    // so a batch holds no memory per record. A record belongs to one batch at a time
    // and must outlive it; a batch let go of unfiled unlinks its records again.
    class Batch {
    public:
        Batch() = default;
        Batch(Batch&& other) noexcept { take(other); }
        Batch& operator=(Batch&& other) noexcept;
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        ~Batch() { clear(); }

        // The record, to be filed under the last component of its path.
        void add(KnowledgeRecord& record);
        bool empty() const { return m_first == nullptr; }
        std::size_t size() const { return m_size; }

    private:
        friend class KnowledgeRecordIndex;
        void take(Batch& other);
        // Unlinks every record and empties the batch.
        void clear();
        // Empties the batch, its records filed.
        void release();

        KnowledgeRecord* m_first{nullptr};
        KnowledgeRecord* m_last{nullptr};
        std::size_t m_size{0};
    };

    KnowledgeRecordIndex() = default;
    KnowledgeRecordIndex(const KnowledgeRecordIndex&) = delete;
    KnowledgeRecordIndex& operator=(const KnowledgeRecordIndex&) = delete;

    // Room for `names` names without growing on the way.
    void reserve(std::size_t names);
    // Files the record as the newest under its name (the last component of its path).
    void file(KnowledgeRecord& record);
    // Files every record of `batch` as the newest under its name, in the batch's order:
    // the same chains as filing them one by one, but the slots of the records a little
    // further on are fetched from memory while the current one is filed, so that a load
    // does not wait for memory once per record. Empties the batch.
    void fileAll(Batch& batch);

    const_iterator find(std::string_view name) const;
    // The head filed under `name`, or null.
    KnowledgeRecord* head(std::string_view name) const;
    std::size_t count(std::string_view name) const { return find(name) == end() ? 0 : 1; }

    // The part of a name's hash the slots keep and place it by.
    static std::uint32_t hashOf(std::string_view name);

    const_iterator begin() const { return const_iterator(m_entries.data()); }
    const_iterator end() const { return const_iterator(m_entries.data() + m_entries.size()); }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }

private:
    // Empty while `entry` is 0; otherwise the entry's position plus one, and its name's
    // hashOf(), which also gives the slot's place in the table: growing the table moves
    // slots without reading a single name.
    struct Slot {
        std::uint32_t entry{0};
        std::uint32_t hash{0};
    };

    // The slot of `name`, or the empty slot where it would go; the table must have one.
    std::size_t slotOf(std::string_view name, std::uint32_t hash) const;
    // Room in the table for `names` names, and for one more.
    void reserveSlots(std::size_t names);
    void makeRoom();
    void fileAt(KnowledgeRecord& record, std::string_view name, std::uint32_t hash);
    void grow(std::size_t capacity);

    std::vector<Slot> m_slots;
    std::vector<KnowledgeRecord*> m_entries;
};
