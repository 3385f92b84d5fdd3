#include "knowledge/KnowledgeRecordIndex.h"

#include "platform/ItemName.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace {

// At most half the slots are taken, so a probe ends after a slot or two.
constexpr std::size_t kMinimumCapacity = 16;

std::size_t capacityFor(std::size_t names) {
    return std::bit_ceil(std::max(kMinimumCapacity, names * 2));
}

std::uint32_t upperHalf(std::size_t hash) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32);
}

} // namespace

std::size_t KnowledgeRecordIndex::hashOf(std::string_view name) {
    return std::hash<std::string_view>{}(name);
}

std::string_view KnowledgeRecordIndex::nameOf(const KnowledgeRecord& record) {
    return record.name();
}

void KnowledgeRecordIndex::Batch::add(KnowledgeRecord& record) {
    // The name is hashed now, while the record's path is still in the cache.
    m_pending.push_back({hashOf(nameOf(record)), &record});
}

void KnowledgeRecordIndex::reserve(std::size_t names) {
    m_entries.reserve(names);
    if (capacityFor(names) > m_slots.size())
        grow(capacityFor(names));
}

void KnowledgeRecordIndex::fileAll(Batch& batch) {
    // Filing a record touches five places far apart in memory: its name's slot, the
    // entry the slot leads to, the name that entry is keyed by, the record and the
    // record's path. Each is fetched some records ahead, each step reading what the one
    // before fetched: by the time a record is filed, all of them are in the cache.
    constexpr std::size_t kStep = 6;
    std::vector<Batch::Pending>& pending = batch.m_pending;
    const std::size_t names = m_entries.size() + pending.size();
    m_entries.reserve(names);
    if (capacityFor(names) > m_slots.size())
        grow(capacityFor(names));
    const std::size_t mask = m_slots.size() - 1;
    auto firstSlot = [&](std::size_t at) -> const Slot& {
        return m_slots[pending[at].hash & mask];
    };
    for (std::size_t at = 0; at < pending.size(); ++at) {
        if (at + 3 * kStep < pending.size())
            __builtin_prefetch(&firstSlot(at + 3 * kStep));
        if (at + 2 * kStep < pending.size()) {
            if (const std::uint32_t entry = firstSlot(at + 2 * kStep).entry)
                __builtin_prefetch(&m_entries[entry - 1]);
            __builtin_prefetch(pending[at + 2 * kStep].record, 1);
        }
        if (at + kStep < pending.size()) {
            if (const std::uint32_t entry = firstSlot(at + kStep).entry)
                __builtin_prefetch(m_entries[entry - 1].first.data());
            __builtin_prefetch(pending[at + kStep].record->name().data());
        }
        const Batch::Pending& next = pending[at];
        KnowledgeRecord*& head = headFor(nameOf(*next.record), next.hash);
        next.record->setNextRecord(head);
        head = next.record;
    }
    pending.clear();
}

std::size_t KnowledgeRecordIndex::slotOf(std::string_view name, std::size_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    const std::uint32_t check = upperHalf(hash);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.entry == 0 || (slot.hash == check && m_entries[slot.entry - 1].first == name))
            return at;
    }
}

KnowledgeRecord*& KnowledgeRecordIndex::operator[](std::string_view name) {
    return headFor(name, hashOf(name));
}

KnowledgeRecord*& KnowledgeRecordIndex::headFor(std::string_view name, std::size_t hash) {
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow(capacityFor(m_entries.size() + 1));
    Slot& slot = m_slots[slotOf(name, hash)];
    if (slot.entry == 0) {
        m_entries.emplace_back(name, nullptr);
        slot.entry = static_cast<std::uint32_t>(m_entries.size());
        slot.hash = upperHalf(hash);
    }
    return m_entries[slot.entry - 1].second;
}

KnowledgeRecordIndex::const_iterator KnowledgeRecordIndex::find(std::string_view name) const {
    if (m_entries.empty())
        return end();
    const Slot& slot = m_slots[slotOf(name, hashOf(name))];
    return slot.entry == 0 ? end() : m_entries.begin() + (slot.entry - 1);
}

KnowledgeRecord* KnowledgeRecordIndex::head(std::string_view name) const {
    const const_iterator found = find(name);
    return found == end() ? nullptr : found->second;
}

void KnowledgeRecordIndex::grow(std::size_t capacity) {
    // The slots are made again from the entries, whose names are already unique: each
    // goes to the first free slot from its place.
    m_slots.assign(capacity, Slot{});
    const std::size_t mask = capacity - 1;
    for (std::size_t index = 0; index < m_entries.size(); ++index) {
        const std::size_t hash = hashOf(m_entries[index].first);
        std::size_t at = hash & mask;
        while (m_slots[at].entry != 0)
            at = (at + 1) & mask;
        m_slots[at] = {static_cast<std::uint32_t>(index + 1), upperHalf(hash)};
    }
}
