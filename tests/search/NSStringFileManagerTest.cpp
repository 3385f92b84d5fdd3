#include "search/NSStringFileManager.h"

#include "support/Sandbox.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

using Form = NSStringFileManager::MemoryForm;
using platform::NumberSymbols;
using testing_support::writeFile;

namespace {

const std::vector<std::string> kEnglishMetrics{"B", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};

NumberSymbols germanSymbols() {
    NumberSymbols symbols;
    symbols.decimalSeparator = ",";
    return symbols;
}

} // namespace

TEST(FormatMemoryString, DividesByThousandAndRoundsPerForm) {
    const NumberSymbols english;
    const struct {
        std::uint64_t bytes;
        std::string full;
        std::string shortForm;
    } cases[] = {
        {999, "999 B", "999 B"},
        {1024, "1.02 KB", "1 KB"}, // decimal units, never 1024
        {1234567, "1.23 MB", "1.2 MB"},
        {9995000, "10 MB", "10 MB"}, // rounds up past 10 with the digits chosen below 10
        {123456789, "123.5 MB", "123 MB"},
        {999999999999, "1000 GB", "1000 GB"}, // no move to the next unit after rounding
        // Halves go to the even digit, judged on the shortest decimal form of the double:
        // 1.135 rounds up although the nearest double lies just below it.
        {1125000, "1.12 MB", "1.1 MB"},
        {1135000, "1.14 MB", "1.1 MB"},
        {std::numeric_limits<std::uint64_t>::max(), "18.4 EB", "18 EB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            NSStringFileManager::formatMemoryString(c.bytes, Form::full, kEnglishMetrics, english),
            c.full)
            << c.bytes;
        EXPECT_EQ(NSStringFileManager::formatMemoryString(c.bytes, Form::shortForm, kEnglishMetrics,
                                                          english),
                  c.shortForm)
            << c.bytes;
    }
}

TEST(FormatMemoryComponents, KeepsAtMostThreeSignificantDigits) {
    const NumberSymbols english;
    const struct {
        std::uint64_t bytes;
        std::string number;
        std::string unit;
    } cases[] = {
        {999, "999\u00A0", "B"},
        {123456789, "123", "MB"}, // three digits, where the full string shows 123.5
        {999500000, "1000", "MB"},
    };
    for (const auto& c : cases) {
        const auto parts =
            NSStringFileManager::formatMemoryComponents(c.bytes, kEnglishMetrics, english);
        EXPECT_EQ(parts.number, c.number) << c.bytes;
        EXPECT_EQ(parts.unit, c.unit) << c.bytes;
    }
}

TEST(FormatMemoryString, FollowsTheGivenSymbolsAndUnitNames) {
    const NumberSymbols english;
    const std::vector<std::string> twoUnits{"B", "kB"};
    EXPECT_EQ(NSStringFileManager::formatMemoryString(1234567, Form::full, kEnglishMetrics,
                                                      germanSymbols()),
              "1,23 MB");
    EXPECT_EQ(NSStringFileManager::formatMemoryComponents(1500, twoUnits, germanSymbols()).number,
              "1,5");
    // Units beyond the known names are empty.
    EXPECT_EQ(NSStringFileManager::formatMemoryString(5000000, Form::full, twoUnits, english),
              "5 ");
    EXPECT_EQ(NSStringFileManager::formatMemoryString(5, Form::full, {}, english), "5 B");
}

TEST(GetNameForCopiedFile, AnswersTheFirstFreeNumberedName) {
    const std::string folder = testing_support::Sandbox::process().makeFolder("copies");
    for (const char* taken : {"report.txt", "report 2.txt", "notes", "archive.tar.gz", ".profile"})
        writeFile(folder + "/" + taken, "x");
    ASSERT_EQ(symlink("/nonexistent/target", (folder + "/dangling.txt").c_str()), 0);

    const struct {
        std::string name;
        std::string expected;
    } cases[] = {
        {"free.txt", "free.txt"},
        {"report.txt", "report 3.txt"},
        {"notes", "notes 2"},
        {"archive.tar.gz", "archive.tar 2.gz"},
        {".profile", ".profile 2"},
        {"dangling.txt", "dangling 2.txt"}, // a link to nothing still takes the name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NSStringFileManager::getNameForCopiedFile(c.name, folder), c.expected) << c.name;
        EXPECT_EQ(NSStringFileManager::getNameForCopiedFile(c.name, folder + "/"), c.expected)
            << c.name << " in a folder written with a final slash";
    }
    EXPECT_EQ(NSStringFileManager::getNameForCopiedFile("report.txt", folder + "/missing"),
              "report.txt");
}

TEST(GetDisplayNameAtPath, AnswersTheLastComponent) {
    const struct {
        std::string path;
        std::string expected;
    } cases[] = {
        {"/Applications/Foo.app", "Foo.app"},
        {"/Users/ann//notes.txt//", "notes.txt"},
        {"//", "/"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NSStringFileManager::getDisplayNameAtPath(c.path), c.expected) << c.path;
}
