#include "platform/FileSystem.h"

#include "FileTestSupport.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

using platform::FileResourceType;
using platform::FileSystem;
using namespace testing_support;

namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

} // namespace

TEST(FileSystemResourceValues, DescribeEachKindOfItemByItself) {
    std::string base = Sandbox::process().makeFolder("values");
    writeFile(base + "/file.app", "x");
    for (const char* folder : {"plain", "Foo.app", "Bar.BUNDLE", "Up.APP", ".app"})
        makeDirs(base + "/" + folder);
    makeLink(base + "/Foo.app", base + "/link.app");
    makeLink(base + "/missing", base + "/dangling");
    ASSERT_EQ(mkfifo((base + "/pipe").c_str(), 0600), 0);

    struct Row {
        const char* name;
        FileResourceType type;
        bool directory, package, application, link;
    };
    const Row rows[] = {
        {"file.app", FileResourceType::Regular, false, false, false, false},
        {"plain", FileResourceType::Directory, true, false, false, false},
        {"Foo.app", FileResourceType::Directory, true, true, true, false},
        {"Bar.BUNDLE", FileResourceType::Directory, true, true, false, false},
        {"Up.APP", FileResourceType::Directory, true, true, false, false},
        {".app", FileResourceType::Directory, true, false, false, false},
        {"link.app", FileResourceType::SymbolicLink, false, false, false, true},
        {"link.app/", FileResourceType::SymbolicLink, false, false, false, true},
        {"dangling", FileResourceType::SymbolicLink, false, false, false, true},
        {"pipe", FileResourceType::NamedPipe, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto values = FileSystem::resourceValues(base + "/" + row.name);
        EXPECT_EQ(values.fileResourceType, row.type);
        EXPECT_EQ(values.isDirectory, row.directory);
        EXPECT_EQ(values.isPackage, row.package);
        EXPECT_EQ(values.isApplication, row.application);
        EXPECT_EQ(values.isSymbolicLink, row.link);
        EXPECT_EQ(FileSystem::isFilePackage(base + "/" + row.name), row.package);
        EXPECT_EQ(FileSystem::isApplication(base + "/" + row.name), row.application);
    }

    auto missing = FileSystem::resourceValues(base + "/nothing");
    EXPECT_FALSE(missing.isDirectory || missing.fileResourceType || missing.linkCount ||
                 missing.totalFileAllocatedSize);
    EXPECT_FALSE(FileSystem::resourceValues("").isDirectory);
}

TEST(FileSystemResourceValues, FoldersCountOneLinkAndNoSizeFilesTheirBlocks) {
    std::string base = Sandbox::process().makeFolder("sizes");
    for (const char* sub : {"a", "b", "c"})
        makeDirs(base + "/tree/" + sub);
    writeFile(base + "/data", std::string(10000, 'z'));
    ASSERT_EQ(link((base + "/data").c_str(), (base + "/data2").c_str()), 0);
    int sparse = open((base + "/sparse").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(ftruncate(sparse, 1 << 30), 0);
    close(sparse);

    auto tree = FileSystem::resourceValues(base + "/tree");
    EXPECT_EQ(tree.linkCount, 1u);
    EXPECT_FALSE(tree.totalFileAllocatedSize.has_value());

    for (const char* name : {"data", "sparse"}) {
        struct stat status {};
        ASSERT_EQ(lstat((base + "/" + name).c_str(), &status), 0);
        auto values = FileSystem::resourceValues(base + "/" + name);
        EXPECT_EQ(values.totalFileAllocatedSize, static_cast<std::uint64_t>(status.st_blocks) * 512)
            << name;
        EXPECT_EQ(values.linkCount, status.st_nlink) << name;
    }
    EXPECT_EQ(FileSystem::resourceValues(base + "/data").linkCount, 2u);
    EXPECT_LT(*FileSystem::resourceValues(base + "/sparse").totalFileAllocatedSize, 1u << 20);
}

TEST(FileSystemPackages, ExtensionsMatchIgnoringCase) {
    for (std::string extension : {"app", "APP", "Framework", "systemextension", "\u212Aext"})
        EXPECT_TRUE(FileSystem::isPackageExtension(extension)) << extension;
    for (std::string extension : {"", "txt", "app ", "appx", "ap", "\xff\xfe", "ss\xc3"})
        EXPECT_FALSE(FileSystem::isPackageExtension(extension)) << extension;
    EXPECT_FALSE(FileSystem::isPackageExtension(std::string("app\0x", 5)));
}

TEST(FileSystemExistence, FollowingAndNotFollowingFinalLinks) {
    std::string base = Sandbox::process().makeFolder("exists");
    writeFile(base + "/file", "x");
    makeDirs(base + "/folder");
    makeLink("folder", base + "/toFolder");
    makeLink("gone", base + "/dangling");
    makeLink("loopB", base + "/loopA");
    makeLink("loopA", base + "/loopB");

    struct Row {
        std::string name;
        bool exists, existsAsFolder, existsNoFollow, noFollowFolder, link;
    };
    const Row rows[] = {
        {"file", true, false, true, false, false},
        {"folder", true, true, true, true, false},
        {"toFolder", true, true, true, true, true},
        {"dangling", false, false, true, false, true},
        {"loopA", false, false, true, false, true},
        {"missing", false, false, false, false, false},
        {"file/below", false, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bool folder = true;
        EXPECT_EQ(FileSystem::fileExists(base + "/" + row.name, &folder), row.exists);
        EXPECT_EQ(folder, row.existsAsFolder);
        folder = true;
        EXPECT_EQ(FileSystem::itemExistsNoFollow(base + "/" + row.name, &folder),
                  row.existsNoFollow);
        EXPECT_EQ(folder, row.noFollowFolder);
        EXPECT_EQ(FileSystem::isSymbolicLink(base + "/" + row.name), row.link);
    }
    bool folder = true;
    EXPECT_FALSE(FileSystem::itemExistsNoFollow("", &folder));
    EXPECT_FALSE(folder);
}

TEST(FileSystemListing, NamesWithAnyBytesAndNoneOnFailure) {
    std::string base = Sandbox::process().makeFolder("list");
    const std::vector<std::string> names = {".hidden", "line\nbreak", "\xff\xfe", "sub"};
    for (const std::string& name : names)
        writeFile(base + "/" + name, "");
    EXPECT_EQ(sorted(FileSystem::contentsOfDirectory(base).value()), sorted(names));
    makeLink(base, base + "/../list-link");
    EXPECT_EQ(FileSystem::contentsOfDirectory(base + "/../list-link")->size(), names.size());
    EXPECT_FALSE(FileSystem::contentsOfDirectory(base + "/missing"));
    EXPECT_FALSE(FileSystem::contentsOfDirectory(base + "/sub"));
    EXPECT_TRUE(FileSystem::contentsOfDirectory(Sandbox::process().makeFolder("empty"))->empty());

    makeDirs(base + "/closed");
    chmod((base + "/closed").c_str(), 0);
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits do not bind this process";
    EXPECT_FALSE(FileSystem::contentsOfDirectory(base + "/closed"));
}

TEST(FileSystemAttributes, ImmutableFlagAndExtendedAttributeNames) {
    std::string base = Sandbox::process().makeFolder("attrs");
    writeFile(base + "/plain", "x");
    makeLink("plain", base + "/link");
    auto plain = FileSystem::attributesOfItem(base + "/plain");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->immutable);
    EXPECT_FALSE(FileSystem::attributesOfItem(base + "/missing"));
    EXPECT_TRUE(FileSystem::attributesOfItem(base + "/link"));

    if (setxattr((base + "/plain").c_str(), "user.com.example.backup", "1", 1, 0) == 0) {
        auto names = FileSystem::attributesOfItem(base + "/plain")->extendedAttributeNames;
        EXPECT_NE(std::find(names.begin(), names.end(), "user.com.example.backup"), names.end());
        // The link's own attributes, not those of its target.
        auto linkNames = FileSystem::attributesOfItem(base + "/link")->extendedAttributeNames;
        EXPECT_EQ(std::find(linkNames.begin(), linkNames.end(), "user.com.example.backup"),
                  linkNames.end());
    } else {
        ADD_FAILURE() << "the sandbox's file system should take user attributes: " << errno;
    }

    makeDirs(base + "/locked");
    writeFile(base + "/locked/file", "x");
    bool lockedAny = false;
    for (const char* name : {"/locked/file", "/locked"}) {
        int descriptor = open((base + name).c_str(), O_RDONLY);
        int flags = 0;
        if (ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0) {
            int locked = flags | FS_IMMUTABLE_FL;
            if (ioctl(descriptor, FS_IOC_SETFLAGS, &locked) == 0) {
                lockedAny = true;
                EXPECT_TRUE(FileSystem::attributesOfItem(base + name)->immutable) << name;
                EXPECT_FALSE(FileSystem::removeItem(base + name)) << name;
                ioctl(descriptor, FS_IOC_SETFLAGS, &flags);
            }
        }
        close(descriptor);
    }
    if (!lockedAny)
        GTEST_SKIP()
            << "cannot set the immutable flag here (needs root on a supporting file system)";
}

TEST(FileSystemChanges, CreatesFoldersWithAndWithoutIntermediates) {
    std::string base = Sandbox::process().makeFolder("create");
    writeFile(base + "/file", "x");
    EXPECT_FALSE(FileSystem::createDirectory(base + "/a/b", false));
    EXPECT_TRUE(FileSystem::createDirectory(base + "/a/b/c/", true, 0750));
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(modeOf(base + "/a"), 0750 & ~mask);
    EXPECT_EQ(modeOf(base + "/a/b/c"), 0750 & ~mask);
    EXPECT_TRUE(FileSystem::createDirectory(base + "/a/b/c", true));
    EXPECT_FALSE(FileSystem::createDirectory(base + "/a/b/c", false));
    EXPECT_TRUE(FileSystem::createDirectory(base + "/a/d", false));
    EXPECT_FALSE(FileSystem::createDirectory(base + "/file/below", true));
    EXPECT_FALSE(FileSystem::createDirectory(base + "/file", true));
    EXPECT_FALSE(FileSystem::createDirectory("", true));
}

TEST(FileSystemChanges, PrivateFoldersAreOursAndClosed) {
    std::string base = Sandbox::process().makeFolder("private");
    makeDirs(base + "/open");
    chmod((base + "/open").c_str(), 0755);
    makeDirs(base + "/target");
    chmod((base + "/target").c_str(), 0755);
    makeLink(base + "/target", base + "/link");
    writeFile(base + "/file", "x");
    makeDirs(base + "/foreign");
    bool foreign = chown((base + "/foreign").c_str(), 4242, 4242) == 0;

    EXPECT_TRUE(FileSystem::createPrivateDirectory(base + "/new/deeper"));
    EXPECT_EQ(modeOf(base + "/new/deeper"), 0700);
    EXPECT_TRUE(FileSystem::createPrivateDirectory(base + "/open"));
    EXPECT_EQ(modeOf(base + "/open"), 0700);
    EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/link"));
    EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/link/"));
    EXPECT_EQ(modeOf(base + "/target"), 0755);
    EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/file"));
    EXPECT_FALSE(FileSystem::createPrivateDirectory("/"));
    if (foreign) {
        EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/foreign"));
    }
}

TEST(FileSystemChanges, RemovalNeverLeavesTheTree) {
    std::string base = Sandbox::process().makeFolder("remove");
    std::string tree = base + "/tree";
    makeDirs(tree + "/a/b/.hidden");
    makeDirs(base + "/outside");
    writeFile(base + "/outside/keep", "precious");
    writeFile(tree + "/a/b/.hidden/f", "x");
    writeFile(tree + "/top", "x");
    makeLink(base + "/outside", tree + "/a/toOutside");
    makeLink(base + "/outside/keep", tree + "/toKeep");
    makeLink("nowhere", tree + "/a/b/dangling");
    makeLink(base + "/outside", base + "/linkToOutside");

    EXPECT_TRUE(FileSystem::removeItem(tree));
    EXPECT_FALSE(FileSystem::itemExistsNoFollow(tree));
    EXPECT_TRUE(FileSystem::removeItem(base + "/linkToOutside/"));
    EXPECT_FALSE(FileSystem::itemExistsNoFollow(base + "/linkToOutside"));
    EXPECT_EQ(readFile(base + "/outside/keep"), "precious");
    EXPECT_FALSE(FileSystem::removeItem(tree));
    EXPECT_FALSE(FileSystem::removeItem(""));
}

TEST(FileSystemChanges, RemovalReportsWhatItCouldNotRemove) {
    std::string base = Sandbox::process().makeFolder("stuck");
    makeDirs(base + "/tree/closed");
    writeFile(base + "/tree/closed/inside", "x");
    writeFile(base + "/tree/loose", "x");
    chmod((base + "/tree/closed").c_str(), 0500);
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits do not bind this process";
    EXPECT_FALSE(FileSystem::removeItem(base + "/tree"));
    EXPECT_TRUE(FileSystem::fileExists(base + "/tree/closed/inside"));
    EXPECT_FALSE(FileSystem::fileExists(base + "/tree/loose"));
}

TEST(FileSystemChanges, AtomicWritesReplaceWholeAndLeaveNothingBehind) {
    std::string base = Sandbox::process().makeFolder("write");
    std::string target = base + "/data.json";
    EXPECT_TRUE(FileSystem::writeFileAtomically(target, "first", 0600));
    EXPECT_TRUE(FileSystem::writeFileAtomically(target, std::string("se\0cond", 7), 0600));
    EXPECT_EQ(readFile(target), std::string("se\0cond", 7));
    EXPECT_EQ(modeOf(target), 0600);

    writeFile(base + "/original", "untouched");
    makeLink(base + "/original", base + "/link");
    EXPECT_TRUE(FileSystem::writeFileAtomically(base + "/link", "new"));
    EXPECT_FALSE(FileSystem::isSymbolicLink(base + "/link"));
    EXPECT_EQ(readFile(base + "/original"), "untouched");

    std::string longName(255, 'n');
    EXPECT_TRUE(FileSystem::writeFileAtomically(base + "/" + longName, "x"));
    makeDirs(base + "/folder");
    EXPECT_FALSE(FileSystem::writeFileAtomically(base + "/folder", "x"));
    EXPECT_FALSE(FileSystem::writeFileAtomically(base + "/missing/file", "x"));
    EXPECT_FALSE(FileSystem::writeFileAtomically(base + "/", "x"));
    EXPECT_EQ(sorted(*FileSystem::contentsOfDirectory(base)),
              sorted({"data.json", "original", "link", longName, "folder"}));
}

TEST(FileSystemReading, WholeRegularFilesWithinTheLimit) {
    std::string base = Sandbox::process().makeFolder("read");
    writeFile(base + "/ten", "0123456789");
    writeFile(base + "/empty", "");
    makeDirs(base + "/folder");
    ASSERT_EQ(mkfifo((base + "/pipe").c_str(), 0600), 0);
    makeLink("ten", base + "/link");

    struct Row {
        std::string name;
        std::size_t limit;
        std::optional<std::string> contents;
    };
    const Row rows[] = {
        {"ten", 10, "0123456789"},
        {"ten", 9, std::nullopt},
        {"ten", SIZE_MAX, "0123456789"},
        {"link", 10, "0123456789"},
        {"empty", 0, ""},
        {"folder", 100, std::nullopt},
        {"pipe", 100, std::nullopt},
        {"missing", 100, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FileSystem::readFile(base + "/" + row.name, row.limit), row.contents) << row.name;
}

TEST(FileSystemLocations, TemporaryAndApplicationSupportFolders) {
    std::string savedTmp = std::getenv("TMPDIR");
    const char* savedRuntime = std::getenv("XDG_RUNTIME_DIR");
    struct Row {
        const char* tmpdir;
        const char* runtime;
        const char* expected;
    };
    const Row rows[] = {
        {"/var/t//", "/run/user/1", "/var/t"},
        {"", "/run/user/1/", "/run/user/1"},
        {nullptr, nullptr, "/tmp"},
        {"/", nullptr, "/"},
    };
    for (const Row& row : rows) {
        row.tmpdir ? setenv("TMPDIR", row.tmpdir, 1) : unsetenv("TMPDIR");
        row.runtime ? setenv("XDG_RUNTIME_DIR", row.runtime, 1) : unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(FileSystem::temporaryDirectory(), row.expected);
    }
    setenv("TMPDIR", savedTmp.c_str(), 1);
    savedRuntime ? setenv("XDG_RUNTIME_DIR", savedRuntime, 1) : unsetenv("XDG_RUNTIME_DIR");

    EXPECT_EQ(FileSystem::userApplicationSupportDirectory(),
              Sandbox::process().home() + "/Library/Application Support");
}

TEST(FileSystemLongPaths, EveryOperationWorksBeyondPathMax) {
    std::string base = Sandbox::process().makeFolder("long");
    std::string deep = base;
    while (deep.size() < 2 * PATH_MAX)
        deep += "/" + std::string(200, 'd') + "\n\xff";
    ASSERT_TRUE(FileSystem::createDirectory(deep, true));
    std::string file = deep + "/file";
    ASSERT_TRUE(FileSystem::writeFileAtomically(file, "deep"));
    EXPECT_EQ(FileSystem::readFile(file, 100), "deep");
    EXPECT_EQ(FileSystem::contentsOfDirectory(deep), std::vector<std::string>{"file"});
    EXPECT_EQ(FileSystem::resourceValues(file).fileResourceType, FileResourceType::Regular);
    bool folder = false;
    EXPECT_TRUE(FileSystem::fileExists(deep + "/", &folder) && folder);
    EXPECT_TRUE(FileSystem::attributesOfItem(file));
    EXPECT_TRUE(FileSystem::createPrivateDirectory(deep + "/private"));
    EXPECT_TRUE(FileSystem::removeItem(base + "/" + std::string(200, 'd') + "\n\xff"));
    EXPECT_TRUE(FileSystem::contentsOfDirectory(base)->empty());
}
