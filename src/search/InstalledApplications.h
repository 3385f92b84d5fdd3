#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The applications installed in the applications folders, outside the Trash: each
// bundle's identifier and every name it goes by. The safety pass of the offer asks it
// which files belong to another application than the one removed.
//
// A scan follows symbolic links (to a bundle, to a folder of bundles, or folders above
// them), enters every folder once however many links lead to it, and is bounded in
// depth and in the number of folders and bundles it reads, so a link loop or a huge
// folder cannot hang it. It reads the disk: call it off the main thread.
class InstalledApplications {
public:
    struct Application {
        std::string path;
        std::optional<std::string> identifier;
        // The executable, the bundle's name and display name, and the folder's name
        // without ".app"; non-empty and without repeats.
        std::vector<std::string> names;
    };

    // Folders below an applications folder that are looked into for bundles.
    static constexpr int kMaxDepth = 4;
    static constexpr std::size_t kMaxFolders = 4000;
    static constexpr std::size_t kMaxApplications = 4000;

    // The system applications folder and the user's.
    static std::vector<std::string> applicationFolders();
    static std::shared_ptr<const InstalledApplications> scan();
    static std::shared_ptr<const InstalledApplications>
    scan(const std::vector<std::string>& folders);

    // Made from a known list, for callers that found the applications themselves.
    explicit InstalledApplications(std::vector<Application> applications)
        : m_applications(std::move(applications)) {}

    const std::vector<Application>& applications() const { return m_applications; }
    // Whether the scan stopped at one of its bounds before it had looked everywhere.
    bool isIncomplete() const { return m_incomplete; }

private:
    std::vector<Application> m_applications;
    bool m_incomplete{false};
};
