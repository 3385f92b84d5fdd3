#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// Makes SIGTERM, SIGINT and SIGHUP end the program the ordinary way: the handler only
// writes the signal's number to a pipe, and the event loop, woken by it, quits. What runs
// after the loop (releasing the bus name, removing temporary files) then runs as on any
// other quit, and the exit status is 0. A session manager, `systemctl --user stop`, Ctrl+C
// and a closed terminal all end the helper this way.
//
// One per process, made on the main thread after the application object.
class QuitSignals final : public QObject {
    Q_OBJECT
public:
    // None when the pipe or the handlers cannot be set up (the signals then keep their
    // default effect).
    static std::unique_ptr<QuitSignals> install();
    ~QuitSignals() override;

    // The last signal that ended the loop, or 0.
    int receivedSignal() const { return m_received; }

private:
    QuitSignals(int readEnd, int writeEnd);
    void drain();

    int m_readEnd;
    int m_writeEnd;
    int m_received{0};
    QSocketNotifier* m_notifier;
};
