#include "app/QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, which may only use async-signal-safe calls.
volatile sig_atomic_t g_writeEnd = -1;

void onSignal(int number) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(number);
    if (g_writeEnd >= 0)
        (void)!write(g_writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

std::unique_ptr<QuitSignals> QuitSignals::install() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    std::unique_ptr<QuitSignals> quitter(new QuitSignals(ends[0], ends[1]));
    g_writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume, so no other code has to expect EINTR because of us.
    action.sa_flags = SA_RESTART;
    for (int number : kSignals) {
        if (sigaction(number, &action, nullptr) != 0)
            return nullptr;
    }
    return quitter;
}

QuitSignals::QuitSignals(int readEnd, int writeEnd)
    : m_readEnd(readEnd), m_writeEnd(writeEnd),
      m_notifier(new QSocketNotifier(readEnd, QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { drain(); });
}

QuitSignals::~QuitSignals() {
    // A signal that comes once the loop has gone ends the program by its default effect,
    // as it would have before.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
    g_writeEnd = -1;
    ::close(m_readEnd);
    ::close(m_writeEnd);
}

void QuitSignals::drain() {
    unsigned char byte = 0;
    while (read(m_readEnd, &byte, 1) == 1)
        m_received = byte;
    if (m_received != 0)
        QCoreApplication::quit();
}
