#pragma once

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <new>

// Hands out records from blocks of a fixed count, chained as they fill up, so that a
// document of any size costs one allocation per block rather than one per record.
// Records are never freed one by one; the blocks go when the pool goes, or, for a
// reader that reads its tree once from front to back, as the reading passes them
// (releaseBefore).
template <typename Record> class TBXMLPool {
public:
    static constexpr size_t kRecordsPerBlock = 100;

    TBXMLPool() = default;
    TBXMLPool(const TBXMLPool&) = delete;
    TBXMLPool& operator=(const TBXMLPool&) = delete;
    ~TBXMLPool() {
        while (m_first) {
            Block* next = m_first->next;
            std::free(m_first);
            m_first = next;
        }
    }

    // Beyond `count` records (rounded up to whole blocks), take() gives nullptr as if
    // memory had run out.
    void limitTo(size_t count) {
        m_maxBlocks = count / kRecordsPerBlock + (count % kRecordsPerBlock != 0 ? 1 : 0);
    }

    // A fresh, value-initialised record, or nullptr when memory runs out.
    Record* take() {
        if (m_used == kRecordsPerBlock) {
            if (m_blockCount == m_maxBlocks)
                return nullptr;
            auto* block = static_cast<Block*>(std::malloc(sizeof(Block)));
            if (!block)
                return nullptr;
            block->next = nullptr;
            if (m_last)
                m_last->next = block;
            else
                m_first = block;
            m_last = block;
            m_used = 0;
            ++m_blockCount;
        }
        return ::new (&m_last->records[m_used++]) Record{};
    }

    // Frees the blocks handed out before the one holding `record`; nothing when no block
    // holds it. Records of the freed blocks must not be read again.
    void releaseBefore(const Record* record) {
        size_t before = 0;
        const Block* holding = m_first;
        // std::less orders pointers into different blocks, which < does not promise.
        const std::less<const Record*> precedes;
        while (holding && (precedes(record, holding->records) ||
                           !precedes(record, holding->records + kRecordsPerBlock))) {
            holding = holding->next;
            ++before;
        }
        if (!holding)
            return;
        for (; before > 0; --before) {
            Block* next = m_first->next;
            std::free(m_first);
            m_first = next;
            ++m_releasedCount;
        }
    }

    size_t bytesHeld() const { return (m_blockCount - m_releasedCount) * sizeof(Block); }

private:
    struct Block {
        Block* next;
        Record records[kRecordsPerBlock];
    };

    Block* m_first{nullptr};
    Block* m_last{nullptr};
    size_t m_used{kRecordsPerBlock};
    size_t m_blockCount{0};
    size_t m_releasedCount{0};
    size_t m_maxBlocks{static_cast<size_t>(-1)};
};
