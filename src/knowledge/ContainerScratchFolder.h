#pragma once

#include "knowledge/SecureBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A private folder in which the container pipeline writes an archive and unpacks it.
// It is created with mode 0700 inside the container's own subfolder of the temporary
// directory, both must be real folders owned by this user, and everything inside it
// is reached relative to an open descriptor of the folder without following symbolic
// links. The folder and all it holds are removed when the object goes away.
//
// These are the container's only direct file-system calls; they are kept together so
// that they can move onto the platform's file services.
class ContainerScratchFolder {
public:
    // The container's fixed subfolder of the temporary directory (one per user).
    static std::string baseFolderPath();
    // Whether anything, even a dangling symbolic link, exists at `path`.
    static bool pathExists(const std::string& path);

    // Creates the folder at `path` (its parent is created too when missing). Answers
    // null if the path already exists or the parent is not a real folder of ours that
    // only we may write.
    static std::shared_ptr<ContainerScratchFolder> create(const std::string& path);
    ~ContainerScratchFolder();
    ContainerScratchFolder(const ContainerScratchFolder&) = delete;
    ContainerScratchFolder& operator=(const ContainerScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

    // Writes `bytes` under a temporary name and renames it to `name` once complete.
    bool writeFileAtomically(const std::string& name, std::span<const std::uint8_t> bytes);
    // The contents of the regular file `name`; nothing if it is missing, is anything
    // else (a folder, a symbolic link) or holds more than `limit` bytes.
    std::optional<SecureBuffer> readFile(const std::string& name, std::size_t limit) const;
    bool removeFile(const std::string& name);
    // Removes everything inside the folder and the folder itself.
    void removeAll();

    // A file being written inside the folder.
    class OutputFile {
    public:
        explicit OutputFile(int descriptor) : m_descriptor(descriptor) {}
        OutputFile(OutputFile&& other) noexcept;
        OutputFile& operator=(OutputFile&&) = delete;
        ~OutputFile();
        bool write(std::span<const std::uint8_t> bytes);
        bool close();

    private:
        int m_descriptor{-1};
    };

    // Creates the folders `components[0] / components[1] / ...` as needed; none of
    // them may be "", "." or "..", and existing ones must be real folders.
    bool makeFolders(const std::vector<std::string>& components);
    // Creates a new file at the path `components` (its folders are created as needed).
    // Fails if anything already exists there.
    std::optional<OutputFile> createFile(const std::vector<std::string>& components);

private:
    ContainerScratchFolder(std::string path, int descriptor);
    // An open descriptor of the folder `components` inside this one, created where
    // missing, or -1.
    int openFolder(std::span<const std::string> components);

    std::string m_path;
    int m_descriptor{-1};
};
