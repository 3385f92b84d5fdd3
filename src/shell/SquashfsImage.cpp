#include "shell/SquashfsImage.h"

extern "C" {
#include <squashfuse/squashfuse.h>
}

#include <algorithm>

struct SquashfsImage::State {
    sqfs fs{};
    bool initialised{false};

    ~State() {
        if (initialised)
            sqfs_destroy(&fs);
    }
};

namespace {

bool isDirectoryType(int type) {
    return type == SQUASHFS_DIR_TYPE || type == SQUASHFS_LDIR_TYPE;
}

bool isFileType(int type) {
    return type == SQUASHFS_REG_TYPE || type == SQUASHFS_LREG_TYPE;
}

bool isLinkType(int type) {
    return type == SQUASHFS_SYMLINK_TYPE || type == SQUASHFS_LSYMLINK_TYPE;
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

SquashfsImage::SquashfsImage(std::unique_ptr<State> state, std::uint64_t budget)
    : m_state(std::move(state)), m_budget(budget) {}

SquashfsImage::~SquashfsImage() = default;

std::unique_ptr<SquashfsImage> SquashfsImage::open(int fd, std::uint64_t offset,
                                                   std::uint64_t byteBudget) {
    auto state = std::make_unique<State>();
    if (sqfs_init(&state->fs, fd, static_cast<std::size_t>(offset)) != SQFS_OK)
        return nullptr;
    state->initialised = true;
    return std::unique_ptr<SquashfsImage>(new SquashfsImage(std::move(state), byteBudget));
}

namespace {

// The inode at `path`, final links followed when `followFinal`; links are followed only
// while they stay inside the image.
bool resolve(sqfs* fs, const std::string& path, bool followFinal, sqfs_inode* result) {
    std::vector<sqfs_inode> stack(1);
    if (sqfs_inode_get(fs, &stack.back(), sqfs_inode_root(fs)) != SQFS_OK)
        return false;
    std::vector<std::string> pending = components(path);
    std::reverse(pending.begin(), pending.end());
    int hops = 0;
    sqfs_name nameBuffer;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == ".")
            continue;
        if (part == "..") {
            // Above the root is outside the image.
            if (stack.size() == 1)
                return false;
            stack.pop_back();
            continue;
        }
        if (!isDirectoryType(stack.back().base.inode_type))
            return false;
        sqfs_dir_entry entry;
        sqfs_dentry_init(&entry, nameBuffer);
        bool found = false;
        if (sqfs_dir_lookup(fs, &stack.back(), part.c_str(), part.size(), &entry, &found) !=
                SQFS_OK ||
            !found)
            return false;
        sqfs_inode inode;
        if (sqfs_inode_get(fs, &inode, sqfs_dentry_inode(&entry)) != SQFS_OK)
            return false;
        if (isLinkType(inode.base.inode_type) && (followFinal || !pending.empty())) {
            if (++hops > SquashfsImage::kMaxLinkHops || inode.xtra.symlink_size == 0 ||
                inode.xtra.symlink_size > 4096)
                return false;
            std::string target(inode.xtra.symlink_size + 1, '\0');
            std::size_t size = target.size();
            if (sqfs_readlink(fs, &inode, target.data(), &size) != SQFS_OK)
                return false;
            target.resize(std::min(size, inode.xtra.symlink_size));
            target.resize(target.find('\0') == std::string::npos ? target.size()
                                                                 : target.find('\0'));
            // An absolute target names the host's files, not the image's.
            if (target.empty() || target.front() == '/')
                return false;
            std::vector<std::string> more = components(target);
            pending.insert(pending.end(), more.rbegin(), more.rend());
            continue;
        }
        stack.push_back(inode);
    }
    *result = stack.back();
    return true;
}

} // namespace

std::optional<std::vector<SquashfsImage::Entry>> SquashfsImage::list(const std::string& path,
                                                                     std::size_t maxEntries) {
    sqfs_inode inode;
    if (!resolve(&m_state->fs, path, true, &inode) || !isDirectoryType(inode.base.inode_type))
        return std::nullopt;
    sqfs_dir dir;
    if (sqfs_dir_open(&m_state->fs, &inode, &dir, 0) != SQFS_OK)
        return std::nullopt;
    sqfs_name nameBuffer;
    sqfs_dir_entry entry;
    sqfs_dentry_init(&entry, nameBuffer);
    std::vector<Entry> entries;
    sqfs_err error = SQFS_OK;
    while (entries.size() < maxEntries && sqfs_dir_next(&m_state->fs, &dir, &entry, &error)) {
        m_bytesRead += sqfs_dentry_name_size(&entry) + 16;
        if (m_bytesRead > m_budget)
            return std::nullopt;
        entries.push_back({std::string(sqfs_dentry_name(&entry), sqfs_dentry_name_size(&entry)),
                           sqfs_dentry_is_dir(&entry)});
    }
    if (error != SQFS_OK)
        return std::nullopt;
    return entries;
}

std::optional<std::string> SquashfsImage::read(const std::string& path, std::size_t maxBytes) {
    sqfs_inode inode;
    if (!resolve(&m_state->fs, path, true, &inode) || !isFileType(inode.base.inode_type))
        return std::nullopt;
    const std::uint64_t size = inode.xtra.reg.file_size;
    if (size > maxBytes || m_bytesRead + size > m_budget)
        return std::nullopt;
    // The library trusts a file's fragment index; one past the image's fragment table (or
    // without one) would be read through a table it never loaded.
    const std::uint32_t fragment = inode.xtra.reg.frag_idx;
    if (fragment != SQUASHFS_INVALID_FRAG &&
        (fragment >= m_state->fs.sb.fragments || !m_state->fs.frag_table.blocks))
        return std::nullopt;
    std::string contents(static_cast<std::size_t>(size), '\0');
    sqfs_off_t got = static_cast<sqfs_off_t>(size);
    if (size > 0 && sqfs_read_range(&m_state->fs, &inode, 0, &got, contents.data()) != SQFS_OK)
        return std::nullopt;
    m_bytesRead += size;
    contents.resize(static_cast<std::size_t>(std::max<sqfs_off_t>(0, got)));
    return contents;
}
