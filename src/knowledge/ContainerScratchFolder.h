#pragma once

#include "knowledge/SecureBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A fresh folder in which the container pipeline writes an archive and unpacks it. It is
// made with mkdtemp inside this user's private folder of a temporary folder
// ("sweepwise-kb.<uid>", mode 0700), which must be a real folder, owned by this user and
// open to nobody else; a temporary folder whose private folder fails that is passed over
// for the next one ($TMPDIR, then $XDG_RUNTIME_DIR, then /tmp). Everything inside is
// reached relative to an open descriptor of the folder without following symbolic links.
// The folder and all it holds are removed when the object goes away.
//
// These are the container's only direct file-system calls; they are kept together so
// that they can move onto the platform's file services.
class ContainerScratchFolder {
public:
    // A new scratch folder, or, with none, why none could be made.
    struct Creation {
        std::shared_ptr<ContainerScratchFolder> folder;
        std::string refusal;
    };

    // This user's private folder inside `temporaryFolder`.
    static std::string privateFolderPath(const std::string& temporaryFolder);
    // The same inside the first temporary folder of the platform's list.
    static std::string privateFolderPath();

    // A new folder inside the private folder of the first temporary folder that has a
    // trustworthy one (made when missing). Every temporary folder passed over is logged
    // with its reason; when all are, the refusal names each.
    static Creation create();
    // A new folder inside `privateFolder`, which is made when missing.
    static Creation createIn(const std::string& privateFolder);
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
    // An open descriptor of `privateFolder`, made when missing, or -1 with the reason.
    static int openPrivateFolder(const std::string& privateFolder, std::string& refusal);
    // An open descriptor of the folder `components` inside this one, created where
    // missing, or -1.
    int openFolder(std::span<const std::string> components);

    std::string m_path;
    int m_descriptor{-1};
};
