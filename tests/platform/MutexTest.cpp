#include "platform/Mutex.h"

#include "support/ThreadTestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

using platform::Mutex;
using platform::MutexLock;
using namespace testing_support;

namespace {

// Records, when it is destroyed, whether another thread could take the mutex at that moment,
// and then takes the mutex itself, as a captured closure that posts back to its owner would.
class Witness {
public:
    Witness(Mutex& mutex, std::vector<bool>& freeAtDestruction)
        : m_mutex(&mutex), m_freeAtDestruction(&freeAtDestruction) {}
    Witness(Witness&& other) noexcept
        : m_mutex(std::exchange(other.m_mutex, nullptr)),
          m_freeAtDestruction(other.m_freeAtDestruction) {}
    Witness(const Witness&) = delete;
    Witness& operator=(const Witness&) = delete;

    ~Witness() {
        if (!m_mutex)
            return;
        bool isFree = false;
        std::thread([&] {
            if (m_mutex->tryLock()) {
                m_mutex->unlock();
                isFree = true;
            }
        }).join();
        m_freeAtDestruction->push_back(isFree);
        if (isFree) {
            MutexLock reentered(*m_mutex);
        }
    }

private:
    Mutex* m_mutex;
    std::vector<bool>* m_freeAtDestruction;
};

} // namespace

// Guarded state moved into releaseAfterUnlock() is destroyed only once the mutex is free, both
// when the lock ends with its scope and when it is dropped early; a destructor that takes the
// same mutex again therefore neither deadlocks nor runs under the lock.
TEST(MutexLock, DestroysWhatIsReleasedAfterUnlockOnlyOnceTheMutexIsFree) {
    Watchdog watchdog("release after unlock");
    Mutex mutex;
    std::vector<bool> freeAtDestruction;
    {
        MutexLock lock(mutex);
        lock.releaseAfterUnlock(Witness(mutex, freeAtDestruction));
        EXPECT_TRUE(freeAtDestruction.empty()) << "destroyed before the lock ended";
    }
    {
        MutexLock lock(mutex);
        auto held = std::make_unique<Witness>(mutex, freeAtDestruction);
        lock.releaseAfterUnlock(std::move(held));
        lock.unlock();
        EXPECT_EQ(freeAtDestruction.size(), 2u) << "an early unlock releases at once";
        lock.lock();
    }
    EXPECT_EQ(freeAtDestruction, (std::vector<bool>{true, true}));
}
