#include "platform/FileSystem.h"

#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
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

TEST(FileSystem, ResourceValuesAndExistenceOfEachKindOfItem) {
    std::string base = Sandbox::process().makeFolder("values");
    writeFile(base + "/file.app", std::string(10000, 'z'));
    ASSERT_EQ(link((base + "/file.app").c_str(), (base + "/hard").c_str()), 0);
    for (const char* folder : {"plain", "Foo.app", "Bar.BUNDLE", "Up.APP"})
        makeDirs(base + "/" + folder);
    makeLink("Foo.app", base + "/link.app");
    makeLink(base + "/missing", base + "/dangling");
    ASSERT_EQ(mkfifo((base + "/pipe").c_str(), 0600), 0);

    using T = FileResourceType;
    const struct {
        const char* name;
        T type;
        bool directory, package, application, exists, existsAsFolder;
    } rows[] = {
        {"file.app", T::Regular, false, false, false, true, false},
        {"plain", T::Directory, true, false, false, true, true},
        {"Foo.app", T::Directory, true, true, true, true, true},
        {"Bar.BUNDLE", T::Directory, true, true, false, true, true},
        {"Up.APP", T::Directory, true, true, false, true, true},
        {"link.app/", T::SymbolicLink, false, false, false, true, true},
        {"dangling", T::SymbolicLink, false, false, false, false, false},
        {"pipe", T::NamedPipe, false, false, false, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = base + "/" + row.name;
        auto values = FileSystem::resourceValues(path);
        EXPECT_EQ(values.fileResourceType, row.type);
        EXPECT_EQ(values.isDirectory, row.directory);
        EXPECT_EQ(values.isPackage, row.package);
        EXPECT_EQ(values.isApplication, row.application);
        EXPECT_EQ(values.isSymbolicLink, row.type == T::SymbolicLink);
        EXPECT_EQ(FileSystem::isSymbolicLink(path), row.type == T::SymbolicLink);
        bool folder = !row.existsAsFolder;
        EXPECT_EQ(FileSystem::fileExists(path, &folder), row.exists);
        EXPECT_EQ(folder, row.existsAsFolder);
        EXPECT_TRUE(FileSystem::itemExistsNoFollow(path));
    }
    auto file = FileSystem::resourceValues(base + "/file.app");
    EXPECT_EQ(file.totalFileAllocatedSize, allocatedSize(base + "/file.app"));
    EXPECT_EQ(file.linkCount, 2u);
    EXPECT_FALSE(FileSystem::resourceValues(base + "/plain").totalFileAllocatedSize);
    auto missing = FileSystem::resourceValues(base + "/nothing");
    EXPECT_FALSE(missing.isDirectory || missing.fileResourceType || missing.linkCount);
    EXPECT_FALSE(FileSystem::itemExistsNoFollow(base + "/file.app/below"));
}

TEST(FileSystem, ListsNamesWithAnyBytesAndNoneOnFailure) {
    std::string base = Sandbox::process().makeFolder("list");
    const std::vector<std::string> names = {".hidden", "line\nbreak", "\xff\xfe", "sub"};
    for (const std::string& name : names)
        writeFile(base + "/" + name, "");
    EXPECT_EQ(sorted(FileSystem::contentsOfDirectory(base).value()), sorted(names));
    makeLink(base, base + "/../list-link");
    EXPECT_EQ(FileSystem::contentsOfDirectory(base + "/../list-link")->size(), names.size());
    EXPECT_FALSE(FileSystem::contentsOfDirectory(base + "/sub"));
}

TEST(FileSystem, ExtendedAttributesAreTheItemsOwn) {
    std::string base = Sandbox::process().makeFolder("attrs");
    writeFile(base + "/plain", "x");
    makeLink("plain", base + "/link");
    ASSERT_EQ(setxattr((base + "/plain").c_str(), "user.com.example.backup", "1", 1, 0), 0);
    auto plain = FileSystem::attributesOfItem(base + "/plain");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->immutable);
    EXPECT_EQ(plain->extendedAttributeNames, std::vector<std::string>{"user.com.example.backup"});
    EXPECT_TRUE(FileSystem::attributesOfItem(base + "/link")->extendedAttributeNames.empty());
    EXPECT_FALSE(FileSystem::attributesOfItem(base + "/missing"));
}

TEST(FileSystem, CreatesFolders) {
    std::string base = Sandbox::process().makeFolder("create");
    writeFile(base + "/file", "x");
    EXPECT_FALSE(FileSystem::createDirectory(base + "/a/b", false));
    EXPECT_TRUE(FileSystem::createDirectory(base + "/a/b/c/", true, 0750));
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(modeOf(base + "/a"), 0750 & ~mask);
    EXPECT_TRUE(FileSystem::createDirectory(base + "/a/b/c", true));
    EXPECT_FALSE(FileSystem::createDirectory(base + "/a/b/c", false));
    EXPECT_FALSE(FileSystem::createDirectory(base + "/file", true));

    makeDirs(base + "/open");
    chmod((base + "/open").c_str(), 0755);
    makeLink(base + "/open", base + "/link");
    makeDirs(base + "/foreign");
    ASSERT_EQ(chown((base + "/foreign").c_str(), 4242, 4242), 0);
    EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/link/"));
    EXPECT_EQ(modeOf(base + "/open"), 0755);
    EXPECT_TRUE(FileSystem::createPrivateDirectory(base + "/new/deeper"));
    EXPECT_EQ(modeOf(base + "/new/deeper"), 0700);
    EXPECT_TRUE(FileSystem::createPrivateDirectory(base + "/open"));
    EXPECT_EQ(modeOf(base + "/open"), 0700);
    EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/file"));
    EXPECT_FALSE(FileSystem::createPrivateDirectory(base + "/foreign"));
}

TEST(FileSystem, RemovalNeverLeavesTheTreeAndReportsWhatRemains) {
    std::string base = Sandbox::process().makeFolder("remove");
    std::string tree = base + "/tree";
    makeDirs(tree + "/a/b/.hidden");
    makeDirs(base + "/outside");
    writeFile(base + "/outside/keep", "precious");
    writeFile(tree + "/a/b/.hidden/f", "x");
    makeLink(base + "/outside", tree + "/a/toOutside");
    makeLink(base + "/outside/keep", tree + "/toKeep");
    makeLink(base + "/outside", base + "/linkToOutside");
    EXPECT_TRUE(FileSystem::removeItem(tree));
    EXPECT_FALSE(FileSystem::itemExistsNoFollow(tree));
    EXPECT_TRUE(FileSystem::removeItem(base + "/linkToOutside/"));
    EXPECT_FALSE(FileSystem::itemExistsNoFollow(base + "/linkToOutside"));
    EXPECT_EQ(readFile(base + "/outside/keep"), "precious");
    EXPECT_FALSE(FileSystem::removeItem(tree));

    makeDirs(tree + "/closed");
    writeFile(tree + "/closed/inside", "x");
    writeFile(tree + "/loose", "x");
    chmod((tree + "/closed").c_str(), 0500);
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits do not bind this process";
    EXPECT_FALSE(FileSystem::removeItem(tree));
    EXPECT_TRUE(FileSystem::fileExists(tree + "/closed/inside"));
    EXPECT_FALSE(FileSystem::fileExists(tree + "/loose"));
}

TEST(FileSystem, AtomicWritesReplaceWholeAndLeaveNothingBehind) {
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
    EXPECT_EQ(sorted(*FileSystem::contentsOfDirectory(base)),
              sorted({"data.json", "original", "link", longName, "folder"}));
}

TEST(FileSystem, ReadsWholeRegularFilesWithinTheLimit) {
    std::string base = Sandbox::process().makeFolder("read");
    writeFile(base + "/ten", "0123456789");
    ASSERT_EQ(mkfifo((base + "/pipe").c_str(), 0600), 0);
    makeLink("ten", base + "/link");
    const struct {
        std::string name;
        std::size_t limit;
        std::optional<std::string> contents;
    } rows[] = {
        {"ten", 10, "0123456789"}, {"ten", 9, std::nullopt},    {"link", SIZE_MAX, "0123456789"},
        {"", 100, std::nullopt},   {"pipe", 100, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FileSystem::readFile(base + "/" + row.name, row.limit), row.contents) << row.name;
}
