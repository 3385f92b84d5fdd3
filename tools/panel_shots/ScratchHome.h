#pragma once

#include <string>

// A private folder tree standing in for the user's world while the pictures are
// drawn: <base>/home is the home folder, <base>/root the root folder and <base>/tmp
// the temporary folder. The helper reads SWEEPWISE_HOME, SWEEPWISE_ROOT and TMPDIR
// once, on first use, so the tree must exist and the variables must point at it
// before anything of the helper runs. The tree is removed when the object ends.
class ScratchHome {
public:
    // Made in $TMPDIR (or /tmp); empty base() when that fails.
    ScratchHome();
    ~ScratchHome();

    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    bool isValid() const { return !m_base.empty(); }
    const std::string& base() const { return m_base; }
    std::string home() const { return m_base + "/home"; }
    std::string root() const { return m_base + "/root"; }

    // Creates `path` and the folders above it inside the tree; false on failure.
    static bool makeFolders(const std::string& path);
    static bool writeFile(const std::string& path, const std::string& contents);

private:
    std::string m_base;
};
