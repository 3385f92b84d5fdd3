#include "app/MainQueueHost.h"

#include "platform/MainQueue.h"

#include <QSocketNotifier>
#include <chrono>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// The longest the queue's tasks run before the event loop's other sources (the bus, the
// display, timers) get their turn; the rest run on the next pass.
constexpr std::chrono::milliseconds kSlice(50);

} // namespace

std::unique_ptr<MainQueueHost> MainQueueHost::create(platform::MainQueue& queue) {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<MainQueueHost>(new MainQueueHost(queue, fd));
}

MainQueueHost::MainQueueHost(platform::MainQueue& queue, int wakeFd)
    : m_queue(queue), m_wakeFd(wakeFd),
      m_notifier(new QSocketNotifier(wakeFd, QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, &MainQueueHost::onWake);
    m_queue.setHostHook([fd = m_wakeFd] {
        const std::uint64_t one = 1;
        // A full counter already means a wake-up is pending, so a failed write loses
        // nothing.
        [[maybe_unused]] ssize_t written = write(fd, &one, sizeof one);
    });
}

MainQueueHost::~MainQueueHost() {
    // Once the hook is gone no thread writes to the descriptor any more.
    m_queue.setHostHook({});
    delete m_notifier;
    close(m_wakeFd);
}

void MainQueueHost::onWake() {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t readBytes = read(m_wakeFd, &count, sizeof count);
    m_queue.drainFor(kSlice);
}
