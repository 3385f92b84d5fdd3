#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

// Hands out records from blocks of a fixed count, chained as they fill up, so that a
// document of any size costs one allocation per block rather than one per record.
// Records are never freed one by one; the blocks go when the pool goes. A reader that
// drops records as soon as they are read takes them back to be handed out again (rewind).
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

    // Beyond `count` records handed out in all, those taken again after rewind()
    // included, take() gives nullptr as if memory had run out: a document may not grow
    // its model past what its whole tree would have been allowed.
    void limitTo(size_t count) { m_maxTaken = count; }

    // A fresh, value-initialised record, or nullptr when memory runs out.
    Record* take() {
        if (m_taken == m_maxTaken)
            return nullptr;
        if (m_used == kRecordsPerBlock) {
            // Blocks given back by rewind() are filled again before a new one is taken.
            Block* next = m_current ? m_current->next : m_first;
            if (!next) {
                next = static_cast<Block*>(std::malloc(sizeof(Block)));
                if (!next)
                    return nullptr;
                next->next = nullptr;
                if (m_current)
                    m_current->next = next;
                else
                    m_first = next;
                ++m_blockCount;
            }
            m_current = next;
            m_used = 0;
        }
        ++m_taken;
        return ::new (&m_current->records[m_used++]) Record{};
    }

    // Where the next record will be taken from.
    struct Mark {
        const void* block;
        size_t used;
    };
    Mark mark() const { return {m_current, m_used}; }
    // Takes back every record handed out since `mark`, whose records must not be read
    // again, to hand them out anew: a reader that drops what it has read keeps only as
    // many blocks as it holds records at once.
    void rewind(const Mark& mark) {
        m_current = static_cast<Block*>(const_cast<void*>(mark.block));
        m_used = mark.used;
    }

    size_t bytesHeld() const { return m_blockCount * sizeof(Block); }

private:
    struct Block {
        Block* next;
        Record records[kRecordsPerBlock];
    };

    Block* m_first{nullptr};
    // The block being filled; nullptr before the first one.
    Block* m_current{nullptr};
    size_t m_used{kRecordsPerBlock};
    size_t m_blockCount{0};
    size_t m_taken{0};
    size_t m_maxTaken{static_cast<size_t>(-1)};
};
