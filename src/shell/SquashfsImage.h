#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A SquashFS image read in this process from an open file, starting at an offset (an
// AppImage's image follows its runtime). It only reads: nothing is mounted, extracted or
// run. Paths are relative to the image's root; symbolic links are followed only while they
// stay inside the image, a few at most, so that a link loop or a link to "/etc/passwd" leads
// nowhere. Every read is bounded by the caller's byte limit and every listing by an entry
// limit, and all reading together by `byteBudget`: a damaged or hostile image costs at most
// that much.
class SquashfsImage {
public:
    static constexpr int kMaxLinkHops = 8;

    // None when the bytes at `offset` of `fd` are not a SquashFS image this reader knows.
    // The descriptor stays the caller's and must outlive the image.
    static std::unique_ptr<SquashfsImage> open(int fd, std::uint64_t offset,
                                               std::uint64_t byteBudget);
    ~SquashfsImage();
    SquashfsImage(const SquashfsImage&) = delete;
    SquashfsImage& operator=(const SquashfsImage&) = delete;

    struct Entry {
        std::string name;
        bool isDirectory;
    };
    // The names in the folder at `path` ("" for the root), at most `maxEntries`; none when
    // it is not a folder or cannot be read.
    std::optional<std::vector<Entry>> list(const std::string& path, std::size_t maxEntries);

    // The contents of the regular file at `path`, links followed inside the image; none
    // when it is missing, not a regular file, larger than `maxBytes` or unreadable, or the
    // budget is spent.
    std::optional<std::string> read(const std::string& path, std::size_t maxBytes);

    std::uint64_t bytesRead() const { return m_bytesRead; }

private:
    struct State;
    explicit SquashfsImage(std::unique_ptr<State> state, std::uint64_t budget);

    std::unique_ptr<State> m_state;
    std::uint64_t m_budget;
    std::uint64_t m_bytesRead{0};
};
