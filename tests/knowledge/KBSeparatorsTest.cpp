#include "knowledge/KBSeparators.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KBXMLDocument.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> sortedWords(const KBSeparator::RecordSet* records) {
    std::vector<std::string> words;
    for (const auto& record : records ? *records : KBSeparator::RecordSet())
        words.push_back(record->separatorData());
    std::sort(words.begin(), words.end());
    return words;
}

std::string pointedDomain(const KBSeparator& separator, std::string_view word) {
    auto identifier = separator.domainIdentifierForSeparatorData(word);
    return identifier ? identifier->uniqueIdentifier() : "-";
}

} // namespace

TEST(KBSeparators, FilesEveryWordUnderItsFormAndDomain) {
    auto document = KBXMLDocument::create(R"(<base><separators>
        <d v="com.vendor.Writer">
          <s type="originalName"><v>Writer</v><v>Shared</v><v></v></s>
          <s type="lowercaseName"><v>writer</v></s>
          <s type="OriginalName"><v>Ignored</v></s>
          <x type="originalName"><v>NotAnS</v></x>
        </d>
        <d vId="c:Painter"><s type="originalName"><v>Painter</v><v>Shared</v></s></d>
        <d><s type="originalName"><v>Vendor</v><w>NotAWord</w></s></d>
      </separators></base>)");
    ASSERT_NE(document, nullptr);
    KBSeparators separators(document->separators());
    const KBSeparator& original = *separators.originalNameSeparator();
    EXPECT_EQ(sortedWords(original.setOfRecordsForDomainIdentifier(
                  DomainBundleIdentifier::create("com.vendor.writer").get())),
              (std::vector<std::string>{"Shared", "Writer"}));

    // The word listed last for a domain wins; words keep their letter case.
    EXPECT_EQ(pointedDomain(original, "Shared"), "c:painter");
    EXPECT_EQ(pointedDomain(original, "Writer"), "bi:com.vendor.writer");
    EXPECT_EQ(pointedDomain(original, "writer"), "-");
    EXPECT_EQ(pointedDomain(*separators.lowercaseNameSeparator(), "writer"),
              "bi:com.vendor.writer");
    for (const char* unfiled : {"Ignored", "NotAnS", "NotAWord", ""})
        EXPECT_EQ(pointedDomain(original, unfiled), "-") << unfiled;

    // Words of a domain without a usable identifier are excluded words.
    EXPECT_TRUE(original.isExcludedSeparatorData("Vendor"));
    EXPECT_FALSE(original.isExcludedSeparatorData("Writer"));
    EXPECT_EQ(pointedDomain(original, "Vendor"), "-");
}
