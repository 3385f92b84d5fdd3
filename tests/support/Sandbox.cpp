#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

Sandbox& Sandbox::process()
{
    static Sandbox sandbox;
    return sandbox;
}

void Sandbox::setUp()
{
    const char* tmpEnv = std::getenv("TMPDIR");
    std::string pattern = std::string(tmpEnv && *tmpEnv ? tmpEnv : "/tmp") + "/sweepwise-test-XXXXXX";
    char* made = mkdtemp(pattern.data());
    if (!made) {
        std::fprintf(stderr, "cannot create the test sandbox: %s\n", std::strerror(errno));
        std::abort();
    }
    m_base = made;
    makeDirs(home());
    makeDirs(root());
    makeDirs(this->tmp());
    setenv("SWEEPWISE_HOME", home().c_str(), 1);
    setenv("SWEEPWISE_ROOT", root().c_str(), 1);
    setenv("TMPDIR", this->tmp().c_str(), 1);
    setenv("HOME", home().c_str(), 1);
}

void Sandbox::tearDown()
{
    if (!m_base.empty() && !std::getenv("SWEEPWISE_KEEP_SANDBOX"))
        removeTree(m_base);
}

std::string Sandbox::makeFolder(const std::string& hint)
{
    std::string path = m_base + "/" + hint + "-" + std::to_string(++m_counter);
    makeDirs(path);
    return path;
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out << contents;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void makeDirs(const std::string& path)
{
    std::string partial;
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty())
            continue;
        partial += "/" + part;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "mkdir %s: %s\n", partial.c_str(), std::strerror(errno));
            std::abort();
        }
    }
}

void removeTree(const std::string& path)
{
    // Make every folder writable first so that tests that remove permissions
    // still leave nothing behind.
    nftw(path.c_str(), [](const char* p, const struct stat* st, int type, FTW*) {
        if (type == FTW_D || type == FTW_DNR)
            chmod(p, st->st_mode | S_IRWXU);
        return 0;
    }, 64, FTW_PHYS);
    nftw(path.c_str(), [](const char* p, const struct stat*, int, FTW*) {
        remove(p);
        return 0;
    }, 64, FTW_DEPTH | FTW_PHYS);
}

} // namespace testing_support
