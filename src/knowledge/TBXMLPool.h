#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

// Hands out records from blocks of a fixed count, chained as they fill up, so that a
// document of any size costs one allocation per block rather than one per record.
// Records are never freed one by one; the blocks go when the pool goes.
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

    size_t bytesHeld() const { return m_blockCount * sizeof(Block); }

private:
    struct Block {
        Block* next;
        Record records[kRecordsPerBlock];
    };

    Block* m_first{nullptr};
    Block* m_last{nullptr};
    size_t m_used{kRecordsPerBlock};
    size_t m_blockCount{0};
    size_t m_maxBlocks{static_cast<size_t>(-1)};
};
