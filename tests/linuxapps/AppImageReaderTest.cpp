#include "shell/AppImageReader.h"

#include "platform/LimitedChild.h"
#include "support/AppImageTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

using namespace testing_support;

namespace {

std::string appImage(const std::string& name, const std::string& image, bool withMark = true) {
    return writeAppImage(Sandbox::process().makeFolder("ai") + "/" + name, image, withMark);
}

} // namespace

TEST(AppImageReader, ReadsTheEntryTheAppStreamIdAndTheIconFromTheImage) {
    ImageFiles files = typicalImage("org.example.Paint", "Paint", "paint-bin",
                                    "X-AppImage-Name=Paint Studio\nStartupWMClass=paint-studio\n"
                                    "Name[de]=Malen\n");
    // Other AppStream files name other components; the entry's own is taken.
    files["usr/share/metainfo/aaa.other.metainfo.xml"] = metainfo("org.example.Helper");
    const std::string path = appImage("Paint-2.0-x86_64.AppImage", squashfsImage(files));

    ASSERT_TRUE(AppImageReader::hasAppImageMagic(path));
    for (const AppImageIdentity& identity :
         {AppImageReader::read(path), AppImageReader::readInProcess(path)}) {
        EXPECT_TRUE(identity.imageRead);
        EXPECT_EQ(identity.desktopFileName, "org.example.Paint.desktop");
        EXPECT_EQ(identity.name, "Paint");
        EXPECT_EQ(identity.appImageName, "Paint Studio");
        EXPECT_EQ(identity.exec, "paint-bin %F");
        EXPECT_EQ(identity.startupWMClass, "paint-studio");
        EXPECT_EQ(identity.appStreamId, "org.example.Paint");
        EXPECT_EQ(identity.iconData, tinyPng());
    }
}

// Whatever an image holds, the reader answers soon, with what it could read, and nothing
// outside the image is read through its links.
TEST(AppImageReader, DamagedAndHostileImagesGiveWhatCanBeReadSafely) {
    writeFile(Sandbox::process().makeFolder("secret") + "/secret", "host file");
    const std::string good = squashfsImage(typicalImage("org.example.Good", "Good", "good"));
    // The image's own size, from its superblock; the rest is padding.
    std::uint64_t used = 0;
    std::memcpy(&used, good.data() + 40, sizeof used);
    ImageFiles huge;
    for (int i = 0; i < 5000; ++i)
        huge["f" + std::to_string(i)] = "";
    huge["Huge.desktop"] = desktopEntry("Huge", "huge");
    std::string deep = "d";
    for (int i = 0; i < 200; ++i)
        deep += "/d";

    struct Case {
        const char* what;
        std::string image;
        bool withMark;
        bool imageRead;
        std::string name;
        bool icon;
    };
    const Case cases[] = {
        {"magic without an image", "", true, false, "", false},
        {"bytes that are not SquashFS", std::string(4096, 'x'), true, false, "", false},
        {"a truncated image", good.substr(0, used - 100), true, false, "", false},
        {"an image cut after its superblock", good.substr(0, 200), true, false, "", false},
        {"a damaged middle", good.substr(0, 300) + std::string(good.size() - 300, '\xff'), true,
         false, "", false},
        {"icon and entry links outside the image",
         squashfsImage({{"a.desktop", "->../../../../../../etc/passwd"},
                        {"b.desktop", "->/etc/hostname"},
                        {".DirIcon", "->/etc/passwd"}}),
         true, true, "", false},
        {"a link loop",
         squashfsImage({{"a.desktop", "->b.desktop"},
                        {"b.desktop", "->a.desktop"},
                        {".DirIcon", "->.DirIcon"}}),
         true, true, "", false},
        {"an entry of 2 MiB",
         squashfsImage({{"big.desktop", desktopEntry("Big", "big") + std::string(2 << 20, '#')}}),
         true, true, "", false},
        {"5000 entries at the top", squashfsImage(huge), true, true, "Huge", false},
        {"a deep tree and a deep link",
         squashfsImage({{deep + "/x", "x"}, {"d.desktop", "->" + deep + "/x"}}), true, true, "",
         false},
        {"values that are not UTF-8",
         squashfsImage({{"n.desktop", desktopEntry("Bad\xff\xfe", "bad\x80")},
                        {".DirIcon", "\x89PNG broken"}}),
         true, true, "Bad\xff\xfe", true},
        // The reader reads any ELF file's image; the mark is what makes it an application.
        {"no mark", good, false, true, "Good", true},
    };
    for (const Case& c : cases) {
        const std::string path = appImage("Case.AppImage", c.image, c.withMark);
        const auto start = std::chrono::steady_clock::now();
        const AppImageIdentity identity = AppImageReader::read(path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6)) << c.what;
        EXPECT_EQ(AppImageReader::hasAppImageMagic(path), c.withMark) << c.what;
        EXPECT_EQ(identity.imageRead, c.imageRead) << c.what;
        EXPECT_EQ(identity.name, c.name) << c.what;
        EXPECT_EQ(!identity.iconData.empty(), c.icon) << c.what;
        EXPECT_EQ(identity.iconData.find("host file"), std::string::npos) << c.what;
    }
}

TEST(AppImageReader, ImageOffsetIsTheEndOfTheSectionHeaderTable) {
    std::string elf64 = appImageStub();
    std::string elf32(64, '\0');
    std::memcpy(elf32.data(),
                "\x7f"
                "ELF\x01\x02",
                6);   // 32-bit, big-endian
    elf32[0x23] = 52; // e_shoff = 52
    elf32[0x2F] = 40; // e_shentsize = 40
    elf32[0x31] = 2;  // e_shnum = 2
    std::string huge = elf64;
    std::memset(huge.data() + 0x28, 0xff, 8); // e_shoff near 2^64
    const struct {
        const std::string* header;
        std::uint64_t fileSize;
        std::optional<std::uint64_t> offset;
    } cases[] = {
        {&elf64, 1000, 128},         {&elf64, 131, std::nullopt}, {&elf32, 1000, 132},
        {&huge, 1000, std::nullopt}, {&elf64, 132, 128},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppImageReader::imageOffset(*c.header, c.fileSize), c.offset) << c.fileSize;
    EXPECT_EQ(AppImageReader::imageOffset("\x7f"
                                          "ELF",
                                          1000),
              std::nullopt);
}

TEST(AppImageReader, NameFromFileNameDropsVersionAndArchitecture) {
    const std::pair<const char*, const char*> cases[] = {
        {"Name-1.2.3-x86_64.AppImage", "Name"},
        {"Foo_Bar.AppImage", "Foo_Bar"},
        {"Some-App-x86_64.AppImage", "Some-App"},
        {"Tool-v2.appimage", "Tool-v2"},
        {"Plain", "Plain"},
        {"-1.0.AppImage", "-1.0"},
    };
    for (const auto& [file, name] : cases)
        EXPECT_EQ(AppImageReader::nameFromFileName(file), name) << file;
}

TEST(AppImageReader, IdentityRoundTripsAndRefusesMalformedAnswers) {
    AppImageIdentity identity;
    identity.imageRead = true;
    identity.name = std::string("with\0nul:and:colons", 19);
    identity.iconData = std::string(1000, '\x89');
    const auto back = AppImageIdentity::deserialized(identity.serialized());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, identity.name);
    EXPECT_EQ(back->iconData, identity.iconData);
    const std::string serialized = identity.serialized();
    for (const std::string& bad :
         {std::string(), std::string("2"), serialized.substr(0, serialized.size() - 1),
          serialized + "x", std::string("199999999999999:")})
        EXPECT_FALSE(AppImageIdentity::deserialized(bad)) << bad.size();
}

// The child's limits hold whatever the work does.
TEST(LimitedChild, CrashesHangsAndFloodsEndInTheParentsTerms) {
    using Outcome = platform::LimitedChild::Outcome;
    platform::LimitedChild::Limits limits;
    limits.seconds = 0.5;
    limits.answerBytes = 1000;
    const struct {
        const char* what;
        std::function<std::string()> work;
        Outcome outcome;
    } cases[] = {
        {"answers", [] { return std::string("fine"); }, Outcome::Answered},
        {"crashes",
         [] {
             std::abort();
             return std::string();
         },
         Outcome::Failed},
        {"hangs",
         [] {
             std::this_thread::sleep_for(std::chrono::seconds(30));
             return std::string();
         },
         Outcome::TimedOut},
        {"answers too much", [] { return std::string(5000, 'x'); }, Outcome::TooLarge},
        {"writes a file",
         [] {
             std::FILE* file =
                 std::fopen((Sandbox::process().tmp() + "/written-by-child").c_str(), "w");
             if (file) {
                 std::fputs("x", file);
                 std::fflush(file);
             }
             return std::string("wrote");
         },
         Outcome::Failed},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = platform::LimitedChild::run(c.work, limits);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.what;
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        if (c.outcome == Outcome::Answered) {
            EXPECT_EQ(result.answer, "fine");
        }
    }
    EXPECT_EQ(readFile(Sandbox::process().tmp() + "/written-by-child"), "");
}
