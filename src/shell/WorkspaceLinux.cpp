#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/FolderVisits.h"
#include "platform/Path.h"
#include "shell/PathsGenerator.h"
#include "shell/Workspace.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Starts `arguments[0]` with `arguments` in a session of its own, as a grandchild
// that init adopts, so that it outlives the caller and never becomes the caller's
// zombie. No shell is involved. True once the program has been executed.
//
// Between fork and exec only async-signal-safe calls are made: the caller may have
// other threads, whose locks the child inherits in whatever state they were.
bool spawnDetached(const std::vector<std::string>& arguments) {
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

class LinuxWorkspace final : public Workspace {
public:
    explicit LinuxWorkspace(std::string programSearchPath)
        : m_programSearchPath(std::move(programSearchPath)) {}

    std::vector<RunningApplication>
    runningApplicationsWithBundleIdentifier(const std::string&) override {
        // Which of our programs run is known only on the session bus, where each owns
        // its bundle identifier as a name; the session-bus workspace that replaces
        // this one answers it. Without it, no application counts as running.
        return {};
    }

    std::vector<std::string>
    allApplicationPathsForBundleIdentifier(const std::string& bundleIdentifier) override {
        std::vector<std::string> found;
        scanApplicationFolders(bundleIdentifier, found, Stop::AfterAll);
        return found;
    }

    std::optional<std::string>
    absolutePathForAppBundleWithIdentifier(const std::string& bundleIdentifier) override {
        std::vector<std::string> found;
        scanApplicationFolders(bundleIdentifier, found, Stop::AfterFirst);
        if (found.empty())
            return std::nullopt;
        return found.front();
    }

    bool openFile(const std::string& path, const std::string& appPath, Deactivation) override {
        if (path.empty() || appPath.empty())
            return false;
        std::optional<std::string> executable = executableOf(appPath);
        if (!executable)
            return false;
        if (path == appPath || path == *executable)
            return spawnDetached({*executable});
        return spawnDetached({*executable, path});
    }

    bool openURL(const std::string& url) override {
        // An address that starts like an option would be taken as one.
        if (url.empty() || url.front() == '-')
            return false;
        std::optional<std::string> opener = findProgram("xdg-open");
        return opener && spawnDetached({*opener, url});
    }

private:
    enum class Stop { AfterFirst, AfterAll };

    static std::optional<std::string> executableOf(const std::string& appPath) {
        bool isDirectory = false;
        if (!platform::FileSystem::fileExists(appPath, &isDirectory))
            return std::nullopt;
        if (!isDirectory)
            return isExecutableFile(appPath) ? std::optional(appPath) : std::nullopt;
        auto bundle = platform::Bundle::create(appPath);
        std::optional<std::string> executable = bundle ? bundle->executablePath() : std::nullopt;
        if (!executable || !isExecutableFile(*executable))
            return std::nullopt;
        return executable;
    }

    std::optional<std::string> findProgram(const std::string& name) const {
        std::string searchPath = m_programSearchPath;
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
                std::string candidate = platform::Path::appending(folder, name);
                if (isExecutableFile(candidate))
                    return candidate;
            }
            start = end + 1;
        }
        return std::nullopt;
    }

    static void scanApplicationFolders(const std::string& bundleIdentifier,
                                       std::vector<std::string>& found, Stop stop) {
        if (bundleIdentifier.empty())
            return;
        const PathsGenerator& paths = PathsGenerator::GetInstance();
        platform::FolderVisits visits;
        for (const std::string& folder :
             {paths.buildSystemApplicationsDirectory(), paths.buildUserApplicationsDirectory()}) {
            if (visits.enter(folder) &&
                !scanFolder(folder, 1, bundleIdentifier, visits, found, stop))
                return;
        }
    }

    // False once the scan is to stop. Links are followed, to bundles and to folders
    // alike; `visits` keeps a folder reached twice from being scanned twice.
    static bool scanFolder(const std::string& folder, int depth,
                           const std::string& bundleIdentifier, platform::FolderVisits& visits,
                           std::vector<std::string>& found, Stop stop) {
        auto names = platform::FileSystem::contentsOfDirectory(folder);
        if (!names)
            return true;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            std::string path = platform::Path::appending(folder, name);
            bool isDirectory = false;
            if (!platform::FileSystem::fileExists(path, &isDirectory) || !isDirectory)
                continue;
            const std::string extension = platform::Path::extension(name);
            if (extension == "app") {
                auto bundle = platform::Bundle::create(path);
                std::optional<std::string> identifier =
                    bundle ? bundle->bundleIdentifier() : std::nullopt;
                if (identifier && equalsIgnoringAsciiCase(*identifier, bundleIdentifier)) {
                    found.push_back(path);
                    if (stop == Stop::AfterFirst)
                        return false;
                }
                continue;
            }
            if (platform::FileSystem::isPackageExtension(extension) || depth >= kMaxScanDepth ||
                !visits.enter(path))
                continue;
            if (!scanFolder(path, depth + 1, bundleIdentifier, visits, found, stop))
                return false;
        }
        return true;
    }

    std::string m_programSearchPath;
};

} // namespace

std::shared_ptr<Workspace> Workspace::createSystemWorkspace(std::string programSearchPath) {
    return std::make_shared<LinuxWorkspace>(std::move(programSearchPath));
}
