#include "platform/AnchoredPath.h"
#include "platform/ItemName.h"
#include "platform/SharedTreeWalk.h"
#include "platform/TreeSize.h"
#include "platform/TreeWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::uint64_t answer(std::uint64_t total, const TreeSize::LinkedFiles& found,
                     TreeSize::LinkedFiles* linked) {
    if (linked)
        linked->insert(linked->end(), found.begin(), found.end());
    return total;
}

} // namespace

std::uint64_t TreeSize::allocatedSizeBelow(const std::string& folder) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(folder));
    if (!item)
        return 0;
    int root = openat(item->folder(), item->name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return 0;
    TreeWalk walk;
    walk.run(root);
    return walk.total();
}

std::uint64_t TreeSize::allocatedSizeOfItem(const std::string& path, LinkedFiles* linked,
                                            const HelpWanted& helpWanted) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    if (!item)
        return 0;
    struct stat status {};
    if (fstatat(item->folder(), item->name(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    TreeWalk walk;
    if (!S_ISDIR(status.st_mode)) {
        walk.add(status);
        return answer(walk.total(), walk.linkedFiles(), linked);
    }
    int root =
        openat(item->folder(), item->name(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (root < 0)
        return 0;
    if (!helpWanted) {
        walk.run(root);
        return answer(walk.total(), walk.linkedFiles(), linked);
    }
    auto shared = SharedTreeWalk::create(root, helpWanted);
    shared->join();
    return answer(shared->total(), shared->linkedFiles(), linked);
}

} // namespace platform
