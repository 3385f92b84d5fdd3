#pragma once

#include <string>

namespace testing_support {

// A private folder tree for one test process: <base>/home is the user's home
// folder, <base>/root stands for the root folder, <base>/tmp the temporary folder.
// TestMain creates it before any test runs and points the helper's environment
// variables (SWEEPWISE_HOME, SWEEPWISE_ROOT, TMPDIR) at it, so singletons that read
// them once see the sandbox. Everything is removed when the process ends.
class Sandbox {
public:
    static Sandbox& process();

    std::string home() const { return m_base + "/home"; }
    std::string root() const { return m_base + "/root"; }
    std::string tmp() const { return m_base + "/tmp"; }
    // The user's Trash as the file managers keep it: the home Trash's "files" folder.
    std::string trash() const { return home() + "/.local/share/Trash/files"; }

    // A fresh empty folder for one test, under the sandbox.
    std::string makeFolder(const std::string& hint = "t");

    void setUp();
    void tearDown();

private:
    std::string m_base;
    int m_counter{0};
};

// Small file helpers for tests; each aborts the test on failure.
void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);
void makeDirs(const std::string& path);
void removeTree(const std::string& path);

} // namespace testing_support
