#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace platform {
class MainQueue;
}

// Lets the Qt event loop of the main thread run the platform main queue: while it
// exists, work posted to the queue from any thread wakes the loop, which drains
// the queue between its own events.
//
// The wake-up is a write to an eventfd that a socket notifier watches, so no Qt
// object is touched from another thread. Create it on the main thread after the
// application object, and destroy it before that.
class MainQueueHost : public QObject {
    Q_OBJECT

public:
    // Null when no eventfd can be made.
    static std::unique_ptr<MainQueueHost> create(platform::MainQueue& queue);

    ~MainQueueHost() override;

private slots:
    void onWake();

private:
    MainQueueHost(platform::MainQueue& queue, int wakeFd);

    platform::MainQueue& m_queue;
    int m_wakeFd{-1};
    QSocketNotifier* m_notifier{nullptr};
};
