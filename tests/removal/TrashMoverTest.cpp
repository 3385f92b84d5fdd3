#include "removal/TrashMover.h"

#include "removal/RemovalTestSupport.h"
#include "shell/TrashInfo.h"
#include "support/FileTestSupport.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/time.h>

using namespace testing_support;
using removal_test::listing;

// Every kind of item goes into the home Trash by one rename, with information that any
// Trash client reads back, and comes back from it unchanged.
TEST(TrashMoverTest, MovesEveryKindIntoTheHomeTrashAndPutsItBack) {
    const std::string folder = Sandbox::process().makeFolder("mover") + "/Library";
    makeDirs(folder + "/again");
    // The same name twice: the second takes the next free one.
    const std::vector<std::string> items = {folder + "/plain.txt",
                                            folder + "/Some Folder",
                                            folder + "/to-usr",
                                            folder + "/caf\xc3\xa9 100%.txt",
                                            folder + "/bytes \xff\xfe.txt",
                                            folder + "/again/plain.txt"};
    for (const std::string& item : items)
        writeFile(item, "contents of " + item);
    removeTree(items[1]);
    makeDirs(items[1] + "/inner");
    writeFile(items[1] + "/inner/data.bin", std::string(10000, 'd'));
    removeTree(items[2]);
    makeLink("/usr", items[2]);
    chmod(items[0].c_str(), 0640);
    // Its times survive the round trip.
    struct timeval old[2] = {{1000000000, 0}, {1000000000, 0}};
    utimes(items[0].c_str(), old);
    const auto before = listing(folder);

    const TrashMover mover(removal_test::homeLayout());
    const std::regex date(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");
    std::vector<TrashMover::Trashed> moved;
    for (const std::string& item : items) {
        TrashMover::Outcome outcome = mover.move(item, std::nullopt);
        ASSERT_EQ(outcome.kind, TrashMover::Outcome::Kind::Moved) << item << outcome.why;
        struct stat status {};
        EXPECT_NE(lstat(item.c_str(), &status), 0) << item;
        ASSERT_EQ(lstat(outcome.trashed.filesPath().c_str(), &status), 0);
        EXPECT_EQ(S_ISLNK(status.st_mode), item == items[2]) << "a link moves as the link";
        std::optional<TrashInfo> info = TrashInfo::read(outcome.trashed.infoPath(), "");
        ASSERT_TRUE(info) << readFile(outcome.trashed.infoPath());
        EXPECT_EQ(info->originalPath(), item);
        EXPECT_TRUE(std::regex_match(info->deletionDate(), date)) << info->deletionDate();
        moved.push_back(outcome.trashed);
    }
    EXPECT_EQ(moved[5].name, "plain.txt_2");
    EXPECT_NE(readFile(moved[3].infoPath()).find("caf%C3%A9%20100%25.txt"), std::string::npos);
    struct stat usr {};
    EXPECT_EQ(stat("/usr", &usr), 0) << "what a link leads to is never touched";

    // Only the folder is in the cache of folder sizes, with its size and its information's time.
    ASSERT_TRUE(TrashMover::updateDirectorySizes(moved[0].trash, moved));
    const std::string sizes = readFile(moved[0].trash + "/directorysizes");
    EXPECT_TRUE(std::regex_match(
        sizes, std::regex(std::to_string(moved[1].size) + R"( \d+ Some%20Folder\n)")))
        << sizes;
    EXPECT_GE(moved[1].size, 10000u);

    for (auto item = moved.rbegin(); item != moved.rend(); ++item) {
        TrashMover::Outcome back = TrashMover::putBack(*item);
        EXPECT_EQ(back.kind, TrashMover::Outcome::Kind::Moved) << back.why;
        EXPECT_NE(access(item->infoPath().c_str(), F_OK), 0);
    }
    EXPECT_EQ(listing(folder), before);
    struct stat status {};
    ASSERT_EQ(stat(items[0].c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1000000000);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    ASSERT_TRUE(TrashMover::updateDirectorySizes(moved[0].trash, {}));
    EXPECT_EQ(readFile(moved[0].trash + "/directorysizes"), "") << "entries of gone folders go";
}

// Whatever stands in the way, the item stays where it was, nothing is replaced, and no
// information is left without its item.
TEST(TrashMoverTest, LeavesEverythingInPlaceWhenItCannotMove) {
    const std::string folder = Sandbox::process().makeFolder("mover");
    TrashMover::Layout layout;
    layout.homeTrash = folder + "/Trash";
    layout.uid = getuid();
    const TrashMover mover(layout);

    // Nothing there any more: gone, not an error.
    EXPECT_EQ(mover.move(folder + "/missing", std::nullopt).kind, TrashMover::Outcome::Kind::Gone);

    // Replaced by another kind of item since it was shown.
    writeFile(folder + "/changes", "file");
    auto seen =
        platform::ItemStatus::of(folder + "/changes", platform::ItemStatus::Links::NoFollow);
    removeTree(folder + "/changes");
    makeDirs(folder + "/changes");
    TrashMover::Outcome changed = mover.move(folder + "/changes", seen);
    EXPECT_EQ(changed.kind, TrashMover::Outcome::Kind::Stayed);
    EXPECT_EQ(changed.why, "changed since it was shown");

    // An item in "files" without information keeps its name; ours takes the next.
    makeDirs(folder + "/Trash/files");
    writeFile(folder + "/Trash/files/orphan", "someone else's");
    writeFile(folder + "/orphan", "ours");
    TrashMover::Outcome orphan = mover.move(folder + "/orphan", std::nullopt);
    ASSERT_EQ(orphan.kind, TrashMover::Outcome::Kind::Moved) << orphan.why;
    EXPECT_EQ(orphan.trashed.name, "orphan_2");
    EXPECT_EQ(readFile(folder + "/Trash/files/orphan"), "someone else's");

    // Putting back never replaces what took the place meanwhile.
    writeFile(folder + "/orphan", "newer");
    TrashMover::Outcome taken = TrashMover::putBack(orphan.trashed);
    EXPECT_EQ(taken.kind, TrashMover::Outcome::Kind::Stayed);
    EXPECT_EQ(readFile(folder + "/orphan"), "newer");
    EXPECT_EQ(readFile(orphan.trashed.filesPath()), "ours");
    EXPECT_EQ(access(orphan.trashed.infoPath().c_str(), F_OK), 0);

    // A Trash whose "info" cannot hold information: the item stays.
    const std::string broken = folder + "/broken";
    makeDirs(broken + "/files");
    writeFile(broken + "/info", "not a folder");
    layout.homeTrash = broken;
    writeFile(folder + "/stays", "x");
    TrashMover::Outcome stays = TrashMover(layout).move(folder + "/stays", std::nullopt);
    EXPECT_EQ(stays.kind, TrashMover::Outcome::Kind::Stayed);
    EXPECT_FALSE(stays.why.empty());
    EXPECT_EQ(readFile(folder + "/stays"), "x");
    EXPECT_EQ(listing(broken + "/files"), (std::map<std::string, std::string>{}));
}

TEST(TrashMoverTest, EncodesPathsBothWays) {
    const std::string bytes = std::string("/a b/%/\xff\x01/~x_-.y");
    EXPECT_EQ(TrashMover::encodePath(bytes), "/a%20b/%25/%FF%01/~x_-.y");
    EXPECT_EQ(TrashMover::decodePath(TrashMover::encodePath(bytes)), bytes);
    for (const char* broken : {"%", "%4", "%zz", "a%00b"})
        EXPECT_FALSE(TrashMover::decodePath(broken)) << broken;
}

// Items on another volume go to that volume's Trash, chosen as the freedesktop Trash standard
// says; where the volume has none the user can use, or is read-only, they stay.
TEST(TrashMoverTest, UsesTheTrashOfTheItemsOwnVolume) {
    const std::string base = Sandbox::process().makeFolder("volumes");
    const std::string user = std::to_string(getuid());
    const std::string result = removal_test::inPrivateMounts([&]() -> std::string {
        // What the volume's top holds (".Trash" with its mode, a link, or a file named
        // like the user's Trash), and where the item should go; "" when it stays.
        const struct {
            const char* name;
            mode_t sharedMode;
            const char* extra;
            std::string trash;
        } cases[] = {
            {"plain", 0, "", ".Trash-" + user},
            {"shared", 01777, "", ".Trash/" + user},
            {"shared without sticky bit", 0777, "", ".Trash-" + user},
            {"shared as a link", 0, "link", ".Trash-" + user},
            {"own Trash is a file", 0, "file", ""},
            {"read-only", 0, "read-only", ""},
        };
        std::string failures;
        for (const auto& test : cases) {
            const std::string top = base + "/" + test.name;
            const std::string item = top + "/Data Folder/item.txt";
            makeDirs(top);
            if (mount("tmpfs", top.c_str(), "tmpfs", 0, "mode=0755") != 0)
                return "cannot mount tmpfs";
            if (test.sharedMode) {
                mkdir((top + "/.Trash").c_str(), 0);
                chmod((top + "/.Trash").c_str(), test.sharedMode);
            }
            if (std::string(test.extra) == "link") {
                mkdir((top + "/elsewhere").c_str(), 0);
                chmod((top + "/elsewhere").c_str(), 01777);
                symlink("elsewhere", (top + "/.Trash").c_str());
            } else if (std::string(test.extra) == "file") {
                writeFile(top + "/.Trash-" + user, "x");
            }
            makeDirs(top + "/Data Folder");
            writeFile(item, "data");
            if (std::string(test.extra) == "read-only" &&
                mount(nullptr, top.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                return "cannot make the volume read-only";
            TrashMover::Layout layout = removal_test::homeLayout();
            layout.volumeTops = {base, top};
            const TrashMover::Outcome outcome = TrashMover(layout).move(item, std::nullopt);
            const std::string name = std::string(test.name) + ": ";
            if ((outcome.kind == TrashMover::Outcome::Kind::Moved) == test.trash.empty())
                failures += name + outcome.why + "; ";
            else if (test.trash.empty() && (readFile(item) != "data" || outcome.why.empty()))
                failures += name + "the item did not stay; ";
            else if (!test.trash.empty() &&
                     (outcome.trashed.trash != top + "/" + test.trash ||
                      readFile(outcome.trashed.infoPath())
                              .find("\nPath=Data%20Folder/item.txt\n") == std::string::npos ||
                      TrashMover::putBack(outcome.trashed).kind !=
                          TrashMover::Outcome::Kind::Moved ||
                      readFile(item) != "data"))
                failures += name + "went to " + outcome.trashed.trash + ", not back; ";
            struct stat status {};
            if (!test.trash.empty() && (stat((top + "/" + test.trash).c_str(), &status) != 0 ||
                                        (status.st_mode & 0777) != 0700))
                failures += name + "its Trash is not private; ";
        }
        return failures;
    });
    if (result == "skip")
        GTEST_SKIP() << "mounting volumes needs root";
    EXPECT_EQ(result, "");
}
