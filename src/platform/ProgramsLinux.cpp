#include "platform/Path.h"
#include "platform/Programs.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

bool isExecutable(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

// The program runs as a grandchild that init adopts.
//
// Between fork and exec only async-signal-safe calls are made: the caller may have
// other threads, whose locks the child inherits in whatever state they were.
bool Programs::startDetached(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    char** environment = environ;

    // The grandchild reports a failed exec through this pipe; a successful exec
    // closes it empty.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) {
            int error = errno;
            if (grandchild < 0)
                (void)!::write(report[1], &error, sizeof error);
            ::_exit(grandchild < 0 ? 1 : 0);
        }
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction byDefault {};
        byDefault.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &byDefault, nullptr);
        // Descriptors the caller opened without close-on-exec stay behind.
        ::close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
        ::execve(argv[0], argv.data(), environment);
        int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Programs::isExecutableFile(const std::string& path) {
    return !path.empty() && isExecutable(path);
}

std::optional<std::string> Programs::find(const std::string& name, std::string searchPath) {
    if (searchPath.empty()) {
        const char* fromEnvironment = std::getenv("PATH");
        searchPath = fromEnvironment ? fromEnvironment : "/usr/local/bin:/usr/bin:/bin";
    }
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        std::string folder = searchPath.substr(start, end - start);
        if (!folder.empty() && folder.front() == '/') {
            std::string candidate = Path::appending(folder, name);
            if (isExecutable(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> Programs::runningExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace platform
