#include "support/Sandbox.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace testing_support {

Sandbox& Sandbox::process() {
    static Sandbox sandbox;
    return sandbox;
}

void Sandbox::setUp() {
    const char* tmpEnv = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmpEnv && *tmpEnv ? tmpEnv : "/tmp") + "/sweepwise-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "cannot create the test sandbox: %s\n", std::strerror(errno));
        std::abort();
    }
    m_base = pattern;
    for (const std::string& folder : {home(), root(), tmp()})
        makeDirs(folder);
    setenv("SWEEPWISE_HOME", home().c_str(), 1);
    setenv("SWEEPWISE_ROOT", root().c_str(), 1);
    setenv("TMPDIR", tmp().c_str(), 1);
    setenv("HOME", home().c_str(), 1);
    // Programs that tests start never wait for a person at a window.
    setenv("SWEEPWISE_NO_WINDOW", "1", 1);
}

void Sandbox::tearDown() {
    if (!m_base.empty() && !std::getenv("SWEEPWISE_KEEP_SANDBOX"))
        removeTree(m_base);
}

std::string Sandbox::makeFolder(const std::string& hint) {
    std::string path = m_base + "/" + hint + "-" + std::to_string(++m_counter);
    makeDirs(path);
    return path;
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out << contents;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void makeDirs(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string partial = path.substr(0, end);
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "mkdir %s: %s\n", partial.c_str(), std::strerror(errno));
            std::abort();
        }
        if (end == std::string::npos)
            return;
    }
}

void removeTree(const std::string& path) {
    // Folders are made writable first, so that tests that take permissions away leave nothing.
    nftw(
        path.c_str(),
        [](const char* item, const struct stat* status, int type, FTW*) {
            if (type == FTW_D || type == FTW_DNR)
                chmod(item, status->st_mode | S_IRWXU);
            return 0;
        },
        64, FTW_PHYS);
    nftw(
        path.c_str(),
        [](const char* item, const struct stat*, int, FTW*) {
            remove(item);
            return 0;
        },
        64, FTW_DEPTH | FTW_PHYS);
}

} // namespace testing_support
