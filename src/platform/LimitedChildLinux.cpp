#include "platform/LimitedChild.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SWEEPWISE_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SWEEPWISE_SANITIZED 1
#endif

namespace platform {

namespace {

void setLimit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

bool writeAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

[[noreturn]] void runChild(int fd, const std::function<std::string()>& work,
                           const LimitedChild::Limits& limits) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    setLimit(RLIMIT_CORE, 0);
    setLimit(RLIMIT_FSIZE, 0);
    setLimit(RLIMIT_CPU, static_cast<rlim_t>(std::ceil(limits.seconds)) + 1);
#ifndef SWEEPWISE_SANITIZED
    setLimit(RLIMIT_AS, limits.memoryBytes);
#endif
    std::string answer = work();
    if (answer.size() > limits.answerBytes)
        _exit(3);
    const std::uint64_t size = answer.size();
    char header[sizeof size];
    std::memcpy(header, &size, sizeof size);
    if (!writeAll(fd, header, sizeof header) || !writeAll(fd, answer.data(), answer.size()))
        _exit(2);
    _exit(0);
}

} // namespace

LimitedChild::Result LimitedChild::run(const std::function<std::string()>& work,
                                       const Limits& limits) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {Outcome::CouldNotStart, {}};
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return {Outcome::CouldNotStart, {}};
    }
    if (child == 0) {
        close(fds[0]);
        runChild(fds[1], work, limits);
    }
    close(fds[1]);

    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(limits.seconds));
    std::string received;
    bool timedOut = false;
    bool tooLarge = false;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd poller{fds[0], POLLIN, 0};
        const int ready = poll(&poller, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        received.append(buffer, static_cast<std::size_t>(got));
        if (received.size() > limits.answerBytes + sizeof(std::uint64_t)) {
            tooLarge = true;
            break;
        }
    }
    close(fds[0]);
    if (timedOut || tooLarge)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        return {Outcome::TimedOut, {}};
    if (tooLarge || (WIFEXITED(status) && WEXITSTATUS(status) == 3))
        return {Outcome::TooLarge, {}};
    std::uint64_t size = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.size() < sizeof size)
        return {Outcome::Failed, {}};
    std::memcpy(&size, received.data(), sizeof size);
    if (received.size() - sizeof size != size)
        return {Outcome::Failed, {}};
    return {Outcome::Answered, received.substr(sizeof size)};
}

} // namespace platform
