#include "platform/InotifyEventTranslator.h"

#include "shell/VDKQueueNotes.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/inotify.h>

using Delivery = platform::InotifyEventTranslator::Delivery;
namespace Notes = VDKQueueNotes;

namespace {

// One event as the kernel writes it; a name is padded with zeros to a multiple of 16 bytes.
struct HandMadeEvent {
    int wd{0};
    std::uint32_t mask{0};
    std::uint32_t cookie{0};
    std::string name{};
};

std::vector<std::byte> inotifyBytes(const std::vector<HandMadeEvent>& events) {
    std::vector<std::byte> bytes;
    for (const HandMadeEvent& event : events) {
        std::size_t length = event.name.empty() ? 0 : (event.name.size() / 16 + 1) * 16;
        inotify_event header{};
        header.wd = event.wd;
        header.mask = event.mask;
        header.cookie = event.cookie;
        header.len = static_cast<std::uint32_t>(length);
        std::size_t at = bytes.size();
        bytes.resize(at + sizeof header + length);
        std::memcpy(bytes.data() + at, &header, sizeof header);
        std::memcpy(bytes.data() + at + sizeof header, event.name.data(), event.name.size());
    }
    return bytes;
}

struct Row {
    const char* what;
    std::vector<HandMadeEvent> events;
    std::vector<Delivery> deliveries;
    std::vector<int> forgotten{};
    bool overflowed{false};
};

const std::vector<Row> kRows = {
    {"a file renamed inside",
     {{1, IN_MOVED_FROM, 7, "a"}, {1, IN_MOVED_TO, 7, "b"}},
     {{1, Notes::Write}}},
    {"a subfolder created",
     {{1, IN_CREATE | IN_ISDIR, 0, "sub"}},
     {{1, Notes::Write | Notes::Link}}},
    {"a subfolder renamed inside keeps the link count",
     {{1, IN_MOVED_FROM | IN_ISDIR, 9, "sub"}, {1, IN_MOVED_TO | IN_ISDIR, 9, "sub2"}},
     {{1, Notes::Write}}},
    {"a subfolder moved between two watched folders",
     {{1, IN_MOVED_FROM | IN_ISDIR, 9, "sub"}, {2, IN_MOVED_TO | IN_ISDIR, 9, "sub"}},
     {{1, Notes::Write | Notes::Link}, {2, Notes::Write | Notes::Link}}},
    {"moves with different cookies are not one rename",
     {{1, IN_MOVED_FROM | IN_ISDIR, 9, "sub"}, {1, IN_MOVED_TO | IN_ISDIR, 10, "sub2"}},
     {{1, Notes::Write | Notes::Link}}},
    {"the watched item deleted", {{1, IN_DELETE_SELF}, {1, IN_IGNORED}}, {{1, Notes::Delete}}, {1}},
    {"the attributes of an item inside a folder changed", {{1, IN_ATTRIB, 0, "a"}}, {}},
    {"the watched file written", {{1, IN_MODIFY}}, {{1, Notes::Write, true}}},
    {"the file system unmounted", {{1, IN_UNMOUNT}, {1, IN_IGNORED}}, {{1, Notes::Revoke}}, {1}},
    {"a watch ended without an event", {{3, IN_IGNORED}}, {}, {3}},
    {"events of one watch coalesce in the order watches first appear",
     {{2, IN_ATTRIB}, {1, IN_CREATE, 0, "a"}, {2, IN_MODIFY}, {1, IN_MOVE_SELF}, {2, IN_ATTRIB}},
     {{2, Notes::Attrib | Notes::Write, true}, {1, Notes::Write | Notes::Rename}}},
    {"events before an overflow are kept",
     {{1, IN_CREATE, 0, "a"}, {-1, IN_Q_OVERFLOW}},
     {{1, Notes::Write}},
     {},
     true},
    {"a name of exactly sixteen bytes",
     {{1, IN_CREATE, 0, "sixteen-chars-xx"}, {2, IN_DELETE_SELF}},
     {{1, Notes::Write}, {2, Notes::Delete}}},
    {"an event with a negative watch other than an overflow", {{-1, IN_CREATE, 0, "a"}}, {}},
};

} // namespace

TEST(InotifyEventTranslator, TranslatesEveryKindOfEvent) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        auto bytes = inotifyBytes(row.events);
        auto batch = platform::InotifyEventTranslator::translate(bytes);
        EXPECT_EQ(batch.deliveries, row.deliveries);
        EXPECT_EQ(batch.forgotten, row.forgotten);
        EXPECT_EQ(batch.overflowed, row.overflowed);
    }
}

TEST(InotifyEventTranslator, StopsAtAnIncompleteEvent) {
    auto whole = inotifyBytes({{1, IN_CREATE, 0, "a"}, {2, IN_MOVE_SELF}, {3, IN_CREATE, 0, "b"}});
    std::size_t first = sizeof(inotify_event) + 16;
    std::size_t second = first + sizeof(inotify_event);
    struct Cut {
        const char* what;
        std::size_t size;
        std::vector<Delivery> deliveries;
    };
    const Cut cuts[] = {
        {"half a header", sizeof(inotify_event) / 2, {}},
        {"a name cut short", first - 1, {}},
        {"one whole event", first, {{1, Notes::Write}}},
        {"two whole events and a header",
         second + sizeof(inotify_event),
         {{1, Notes::Write}, {2, Notes::Rename}}},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.what);
        auto batch = platform::InotifyEventTranslator::translate(std::span(whole.data(), cut.size));
        EXPECT_EQ(batch.deliveries, cut.deliveries);
    }

    // A name length that runs far past the end, even one that would wrap an offset.
    for (std::uint32_t length : {64u, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
        SCOPED_TRACE(length);
        auto bytes = inotifyBytes({{1, IN_MOVE_SELF}, {2, IN_CREATE, 0, "a"}});
        inotify_event header{};
        std::memcpy(&header, bytes.data() + sizeof(inotify_event), sizeof header);
        header.len = length;
        std::memcpy(bytes.data() + sizeof(inotify_event), &header, sizeof header);
        auto batch = platform::InotifyEventTranslator::translate(bytes);
        EXPECT_EQ(batch.deliveries, (std::vector<Delivery>{{1, Notes::Rename}}));
    }
}
