#include "ScratchHome.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

ScratchHome::ScratchHome() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/sweepwise-panel-shots-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "cannot create a temporary folder: %s\n", std::strerror(errno));
        return;
    }
    m_base = pattern;
    // Qt and the helper both look for caches, settings and runtime files; every
    // variable that could lead them to the real home folder points into the tree.
    const std::string runtime = m_base + "/runtime";
    if (!makeFolders(home()) || !makeFolders(root()) || !makeFolders(m_base + "/tmp") ||
        !makeFolders(runtime) || chmod(runtime.c_str(), 0700) != 0) {
        std::fprintf(stderr, "cannot prepare %s\n", m_base.c_str());
        return;
    }
    setenv("SWEEPWISE_HOME", home().c_str(), 1);
    setenv("SWEEPWISE_ROOT", root().c_str(), 1);
    setenv("TMPDIR", (m_base + "/tmp").c_str(), 1);
    setenv("HOME", home().c_str(), 1);
    setenv("XDG_CACHE_HOME", (home() + "/.cache").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home() + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home() + "/.local/share").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

ScratchHome::~ScratchHome() {
    if (m_base.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(m_base, error);
    if (error)
        std::fprintf(stderr, "cannot remove %s: %s\n", m_base.c_str(), error.message().c_str());
}

bool ScratchHome::makeFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error;
}

bool ScratchHome::writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}
