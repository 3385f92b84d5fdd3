#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
namespace platform {

class ContainerScratchFolder {
public:
    // A new scratch folder, or, with none, why none could be made. `passedOver` names each
    // temporary folder that was passed over, with its reason, for the caller to log.
    struct Creation {
        std::shared_ptr<ContainerScratchFolder> folder;
        std::string refusal;
        std::vector<std::string> passedOver;
    };

    // This user's private folder inside `temporaryFolder`.
    static std::string privateFolderPath(const std::string& temporaryFolder);
    // The same inside the first temporary folder of the platform's list.
    static std::string privateFolderPath();

    // A new folder inside the private folder of the first temporary folder that has a
    // trustworthy one (made when missing). When every temporary folder is passed over,
    // the refusal names each.
    static Creation create();
    // A new folder inside `privateFolder`, which is made when missing.
    static Creation createIn(const std::string& privateFolder);
    ~ContainerScratchFolder();
    ContainerScratchFolder(const ContainerScratchFolder&) = delete;
    ContainerScratchFolder& operator=(const ContainerScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

    // Writes `bytes` under a temporary name and renames it to `name` once complete.
    bool writeFileAtomically(const std::string& name, std::span<const std::uint8_t> bytes);
    // Reads the regular file `name` whole into the bytes `destination(size)` hands out;
    // false if it is missing, is anything else (a folder, a symbolic link), holds more
    // than `limit` bytes or cannot be read whole.
    bool readFile(const std::string& name, std::size_t limit,
                  const std::function<std::span<std::uint8_t>(std::size_t)>& destination) const;
    // The contents as a new `Buffer` (constructed with its size, with data()); nothing as
    // above. A buffer that wipes itself keeps a partial read from lingering.
    template <class Buffer>
    std::optional<Buffer> readFile(const std::string& name, std::size_t limit) const {
        std::optional<Buffer> contents;
        bool read = readFile(name, limit, [&contents](std::size_t size) {
            contents.emplace(size);
            return std::span<std::uint8_t>(contents->data(), size);
        });
        if (!read)
            contents.reset();
        return contents;
    }
    // The regular file `name`, as readFile takes it, grown by `extraBytes` zero bytes and
    // mapped shared and writable with its pages brought in at once: for a large file that
    // is read once, this spares copying it into fresh memory. The file is removed from
    // the folder as it is mapped, so the mapping alone keeps its pages, and they go with
    // it (MemoryRelease::unmap). None when the file is not as readFile wants it or cannot
    // be mapped (a system without populating, a full disk); the file is then left as it
    // was, or removed when it cannot be put back to its size.
    struct Mapping {
        std::uint8_t* data{nullptr};
        std::size_t size{0};   // the file's own bytes
        std::size_t length{0}; // size + extraBytes: what is mapped
    };
    std::optional<Mapping> mapFile(const std::string& name, std::size_t limit,
                                   std::size_t extraBytes);
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

} // namespace platform
