#pragma once

#include <cstdint>

struct stat;

namespace platform {

// Which folder a descriptor leads to. A walk deeper than its descriptor bound gives up
// the descriptors of folders it will come back to; noting their identity first lets it
// tell, when it opens them again, whether each is still the folder it left.
class FolderIdentity {
public:
    // An identity that matches no folder.
    FolderIdentity() = default;
    static FolderIdentity of(const struct stat& status);
    // The identity of the open folder; one that matches nothing when it cannot be examined.
    static FolderIdentity of(int descriptor);

    bool matches(int descriptor) const;

    // This folder opened again (O_PATH): through ".." of `child`, an open subfolder of
    // it, which works however deep the walk is, else by `openOtherwise()`. -1 unless
    // what it opens is still this folder.
    template <class OpenOtherwise> int reopen(int child, OpenOtherwise&& openOtherwise) const {
        int descriptor = openParent(child);
        if (keepIfSame(descriptor))
            return descriptor;
        descriptor = openOtherwise();
        return keepIfSame(descriptor) ? descriptor : -1;
    }

private:
    static int openParent(int child);
    // Whether `descriptor` leads to this folder; closes it when it does not.
    bool keepIfSame(int descriptor) const;

    std::uint64_t m_device{0};
    std::uint64_t m_inode{0};
    bool m_known{false};
};

} // namespace platform
