#include "knowledge/KnowledgeRecordIndex.h"

#include "platform/MemoryRelease.h"

#include <algorithm>
#include <array>
#include <bit>
#include <functional>

namespace {

// At most three slots in four are taken: a probe still ends after a slot or two (loads
// and searches took no longer than with at most one in two), and the benchmark's
// hundred thousand records under 67,000 names take a table of 1 MB instead of 2.
constexpr std::size_t kTakenOf = 3;
constexpr std::size_t kSlotsOf = 4;
constexpr std::size_t kMinimumCapacity = 16;

std::size_t capacityFor(std::size_t names) {
    return std::bit_ceil(std::max(kMinimumCapacity, (names * kSlotsOf + kTakenOf - 1) / kTakenOf));
}

} // namespace

KnowledgeRecordIndex::Batch& KnowledgeRecordIndex::Batch::operator=(Batch&& other) noexcept {
    if (this != &other) {
        clear();
        take(other);
    }
    return *this;
}

void KnowledgeRecordIndex::Batch::add(KnowledgeRecord& record) {
    record.setNextRecord(nullptr);
    if (m_last)
        m_last->setNextRecord(&record);
    else
        m_first = &record;
    m_last = &record;
    ++m_size;
}

void KnowledgeRecordIndex::Batch::take(Batch& other) {
    m_first = other.m_first;
    m_last = other.m_last;
    m_size = other.m_size;
    other.release();
}

void KnowledgeRecordIndex::Batch::clear() {
    for (KnowledgeRecord* record = m_first; record;) {
        KnowledgeRecord* const next = record->nextRecord();
        record->setNextRecord(nullptr);
        record = next;
    }
    release();
}

void KnowledgeRecordIndex::Batch::release() {
    m_first = nullptr;
    m_last = nullptr;
    m_size = 0;
}

std::uint32_t KnowledgeRecordIndex::hashOf(std::string_view name) {
    const std::uint64_t hash = std::hash<std::string_view>{}(name);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

void KnowledgeRecordIndex::reserve(std::size_t names) {
    m_entries.reserve(names);
    reserveSlots(names);
}

void KnowledgeRecordIndex::reserveSlots(std::size_t names) {
    if (capacityFor(names) > m_slots.size())
        grow(capacityFor(names));
}

void KnowledgeRecordIndex::makeRoom() {
    if ((m_entries.size() + 1) * kSlotsOf > m_slots.size() * kTakenOf)
        grow(capacityFor(m_entries.size() + 1));
}

void KnowledgeRecordIndex::file(KnowledgeRecord& record) {
    makeRoom();
    const std::string_view name = record.name();
    fileAt(record, name, hashOf(name));
}

void KnowledgeRecordIndex::fileAll(Batch& batch) {
    // Filing a record touches places far apart in memory: its name's slot, the entry the
    // slot leads to, and the head record there with its name (which the arena keeps right
    // behind the record). Each is fetched some records ahead, each step reading what the
    // one before fetched: by the time a record is filed, all of them are in the cache.
    // The records themselves are read in the order they were made, from the arena's
    // blocks one after the other; a small ring keeps the ones ahead with their names.
    constexpr std::size_t kStep = 6;
    constexpr std::size_t kAhead = 3 * kStep;
    struct Upcoming {
        KnowledgeRecord* record;
        std::string_view name;
        std::uint32_t hash;
    };
    if (batch.empty())
        return;
    std::array<Upcoming, 32> ring;
    static_assert(std::has_single_bit(ring.size()) && ring.size() > kAhead);
    const auto upcoming = [&](std::size_t at) -> Upcoming& { return ring[at % ring.size()]; };
    // Records share names, so the table is first sized for half as many names as there
    // are records (the benchmark's hundred thousand have 67,000) and grows on the way if
    // more arrive: sized for every record it would be twice as large as it needs, and
    // grown from small it would take fresh pages for every size on the way, which cost
    // a load more than filing. The entries get room for every record: the pages of the
    // room left over are never touched.
    m_entries.reserve(m_entries.size() + batch.size());
    platform::MemoryRelease::prepareForWriting(m_entries.data() + m_entries.size(),
                                               batch.size() / 2 * sizeof(KnowledgeRecord*));
    reserveSlots(m_entries.size() + batch.size() / 2);
    const auto firstSlot = [&](std::size_t at) -> const Slot& {
        return m_slots[upcoming(at).hash & (m_slots.size() - 1)];
    };
    KnowledgeRecord* coming = batch.m_first;
    std::size_t entered = 0;
    for (std::size_t at = 0;; ++at) {
        // The next record in the batch is read before this one's link is rewritten.
        for (; coming && entered <= at + kAhead; ++entered) {
            const std::string_view name = coming->name();
            upcoming(entered) = {coming, name, hashOf(name)};
            __builtin_prefetch(&firstSlot(entered));
            coming = coming->nextRecord();
        }
        if (at == entered)
            break;
        if (at + 2 * kStep < entered) {
            if (const std::uint32_t entry = firstSlot(at + 2 * kStep).entry)
                __builtin_prefetch(&m_entries[entry - 1]);
        }
        if (at + kStep < entered) {
            if (const std::uint32_t entry = firstSlot(at + kStep).entry) {
                const KnowledgeRecord* head = m_entries[entry - 1];
                __builtin_prefetch(head);
                __builtin_prefetch(head + 1);
            }
        }
        const Upcoming& now = upcoming(at);
        makeRoom();
        fileAt(*now.record, now.name, now.hash);
    }
    batch.release();
}

void KnowledgeRecordIndex::fileAt(KnowledgeRecord& record, std::string_view name,
                                  std::uint32_t hash) {
    Slot& slot = m_slots[slotOf(name, hash)];
    if (slot.entry == 0) {
        record.setNextRecord(nullptr);
        m_entries.push_back(&record);
        slot = {static_cast<std::uint32_t>(m_entries.size()), hash};
        return;
    }
    KnowledgeRecord*& head = m_entries[slot.entry - 1];
    record.setNextRecord(head);
    head = &record;
}

std::size_t KnowledgeRecordIndex::slotOf(std::string_view name, std::uint32_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.entry == 0 || (slot.hash == hash && m_entries[slot.entry - 1]->name() == name))
            return at;
    }
}

KnowledgeRecordIndex::const_iterator KnowledgeRecordIndex::find(std::string_view name) const {
    if (m_entries.empty())
        return end();
    const Slot& slot = m_slots[slotOf(name, hashOf(name))];
    return slot.entry == 0 ? end() : const_iterator(m_entries.data() + (slot.entry - 1));
}

KnowledgeRecord* KnowledgeRecordIndex::head(std::string_view name) const {
    const const_iterator found = find(name);
    return found == end() ? nullptr : *found.m_at;
}

void KnowledgeRecordIndex::grow(std::size_t capacity) {
    // Each slot keeps its name's hash and the names are already unique: each goes to the
    // first free slot from its place in the larger table.
    std::vector<Slot> larger;
    larger.reserve(capacity);
    platform::MemoryRelease::prepareForWriting(larger.data(), capacity * sizeof(Slot));
    larger.resize(capacity);
    const std::vector<Slot> old = std::exchange(m_slots, std::move(larger));
    const std::size_t mask = capacity - 1;
    for (const Slot& slot : old) {
        if (slot.entry == 0)
            continue;
        std::size_t at = slot.hash & mask;
        while (m_slots[at].entry != 0)
            at = (at + 1) & mask;
        m_slots[at] = slot;
    }
}
