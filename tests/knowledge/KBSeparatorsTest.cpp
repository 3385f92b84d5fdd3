#include "knowledge/KBSeparators.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/NSMutableDictionarySeparator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::shared_ptr<KBXMLDocument> separatorsDocument(const std::string& body) {
    auto document = KBXMLDocument::create("<base><separators>" + body + "</separators></base>");
    EXPECT_NE(document, nullptr);
    return document;
}

std::vector<std::string> sortedUniqueIdentifiers(const KBSeparator& separator) {
    std::vector<std::string> identifiers;
    for (const auto& identifier : separator.domainIdentifiers())
        identifiers.push_back(identifier->uniqueIdentifier());
    std::sort(identifiers.begin(), identifiers.end());
    return identifiers;
}

std::vector<std::string> sortedWords(const KBSeparator::RecordSet* records) {
    std::vector<std::string> words;
    if (records) {
        for (const auto& record : *records)
            words.push_back(record->separatorData());
    }
    std::sort(words.begin(), words.end());
    return words;
}

std::string pointedDomain(const KBSeparator& separator, std::string_view word) {
    auto identifier = separator.domainIdentifierForSeparatorData(word);
    return identifier ? identifier->uniqueIdentifier() : "-";
}

} // namespace

TEST(KBSeparators, FilesEveryWordUnderItsFormAndDomain) {
    auto document = separatorsDocument(R"(
        <d v="com.vendor.Writer">
          <s type="originalName"><v>Writer</v><v>Shared</v><v></v></s>
          <s type="lowercaseName"><v>writer</v></s>
          <s type="OriginalName"><v>Ignored</v></s>
          <s><v>NoType</v></s>
          <x type="originalName"><v>NotAnS</v></x>
        </d>
        <d vId="c:Painter">
          <s type="originalName"><v>Painter</v><v>Shared</v><v>shared</v></s>
        </d>
        <d><s type="originalName"><v>Vendor</v><w>NotAWord</w></s></d>
        <d v="" vId="nonsense"><s type="nameComponent"><v>Suite</v></s></d>)");
    KBSeparators separators(document->separators());
    const KBSeparator& original = *separators.originalNameSeparator();

    EXPECT_EQ(sortedUniqueIdentifiers(original),
              (std::vector<std::string>{"bi:com.vendor.writer", "c:painter"}));
    EXPECT_EQ(sortedWords(original.setOfRecordsForDomainIdentifier(
                  DomainBundleIdentifier::create("com.vendor.writer").get())),
              (std::vector<std::string>{"Shared", "Writer"}));
    EXPECT_EQ(sortedWords(original.setOfRecordsForDomainIdentifier(
                  original.domainIdentifierForSeparatorData("Painter").get())),
              (std::vector<std::string>{"Painter", "Shared", "shared"}));
    EXPECT_EQ(original.setOfRecordsForDomainIdentifier(nullptr), nullptr);

    // The word listed last for a domain wins; words keep their letter case.
    EXPECT_EQ(pointedDomain(original, "Shared"), "c:painter");
    EXPECT_EQ(pointedDomain(original, "Writer"), "bi:com.vendor.writer");
    EXPECT_EQ(pointedDomain(original, "writer"), "-");
    EXPECT_EQ(pointedDomain(*separators.lowercaseNameSeparator(), "writer"),
              "bi:com.vendor.writer");
    for (const char* unfiled : {"Ignored", "NoType", "NotAnS", "NotAWord", ""})
        EXPECT_EQ(pointedDomain(original, unfiled), "-") << unfiled;

    // Words of a domain without a usable identifier are excluded words.
    EXPECT_TRUE(original.isExcludedSeparatorData("Vendor"));
    EXPECT_FALSE(original.isExcludedSeparatorData("Writer"));
    EXPECT_EQ(pointedDomain(original, "Vendor"), "-");
    const KBSeparator& component = *separators.nameComponentSeparator();
    EXPECT_TRUE(component.isExcludedSeparatorData("Suite"));
    EXPECT_TRUE(component.domainIdentifiers().empty());
    EXPECT_FALSE(original.isExcludedSeparatorData(""));
}

TEST(KBSeparators, CreatesFurtherFormsOnlyWhenAsked) {
    KBSeparators separators(nullptr);
    EXPECT_EQ(separators.separatorWithType("fancyName", KBSeparators::Lookup::ExistingOnly),
              nullptr);
    EXPECT_EQ(separators.separatorWithType(std::nullopt, KBSeparators::Lookup::CreateIfNeed),
              nullptr);
    auto created = separators.separatorWithType("fancyName", KBSeparators::Lookup::CreateIfNeed);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(separators.separatorWithType("fancyName", KBSeparators::Lookup::ExistingOnly),
              created);
    EXPECT_EQ(separators.separatorWithType("originalName", KBSeparators::Lookup::CreateIfNeed),
              separators.originalNameSeparator());
    EXPECT_EQ(separators.separators().size(), 5u);
}

TEST(NSMutableDictionarySeparator, KeepsSetsOfSharedObjectsByKey) {
    using Maps = NSMutableDictionarySeparator;
    Maps::SetMap<const std::string> map;
    auto first = std::make_shared<const std::string>("x");
    auto twin = std::make_shared<const std::string>("x");

    Maps::addObject(map, first, "k");
    Maps::addObject(map, first, "k");
    Maps::addObject(map, twin, "k");
    Maps::addObject(map, std::shared_ptr<const std::string>(), "k");
    Maps::addObject(map, first, std::nullopt);
    ASSERT_NE(Maps::setOfObjectsWithSeparatorKey(map, "k"), nullptr);
    EXPECT_EQ(Maps::setOfObjectsWithSeparatorKey(map, "k")->size(), 2u);
    EXPECT_EQ(Maps::setOfObjectsWithSeparatorKey(map, "other"), nullptr);
    EXPECT_EQ(Maps::setOfObjectsWithSeparatorKey(map, std::nullopt), nullptr);
    EXPECT_EQ(map.size(), 1u);

    Maps::clearObjectsWithSeparatorKey(map, "k");
    Maps::clearObjectsWithSeparatorKey(map, "other");
    ASSERT_NE(Maps::setOfObjectsWithSeparatorKey(map, "k"), nullptr);
    EXPECT_TRUE(Maps::setOfObjectsWithSeparatorKey(map, "k")->empty());
    EXPECT_EQ(map.size(), 1u);

    Maps::TwoLevelSetMap<const std::string> twoLevel;
    Maps::addObject(twoLevel, first, "outer", "inner");
    Maps::addObject(twoLevel, twin, "outer", "inner");
    Maps::addObject(twoLevel, first, "outer", std::nullopt);
    ASSERT_EQ(twoLevel.size(), 1u);
    EXPECT_EQ(twoLevel.at("outer").size(), 1u);
    EXPECT_EQ(Maps::setOfObjectsWithSeparatorKey(twoLevel.at("outer"), "inner")->size(), 2u);
}
