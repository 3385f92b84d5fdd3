#include "platform/AnchoredPath.h"
#include "platform/ItemDates.h"
#include "platform/ItemName.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

ItemDates::Date dateOf(const struct statx_timestamp& stamp) {
    auto sinceEpoch = std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec);
    return ItemDates::Date(std::chrono::duration_cast<ItemDates::Date::duration>(sinceEpoch));
}

} // namespace

std::optional<ItemDates> ItemDates::read(const std::string& path) {
    auto item = AnchoredPath::resolve(ItemName::withoutTrailingSlashes(path));
    struct statx status {};
    unsigned mask = STATX_BTIME | STATX_ATIME | STATX_MTIME;
    if (!item || statx(item->folder(), item->name(), AT_SYMLINK_NOFOLLOW, mask, &status) != 0)
        return std::nullopt;
    ItemDates dates;
    if (status.stx_mask & STATX_BTIME)
        dates.creation = dateOf(status.stx_btime);
    if (status.stx_mask & STATX_ATIME)
        dates.lastAccess = dateOf(status.stx_atime);
    if (status.stx_mask & STATX_MTIME)
        dates.contentModification = dateOf(status.stx_mtime);
    return dates;
}

} // namespace platform
