#include "search/DepFileItem.h"

#include "platform/PropertyList.h"
#include "search/BundleTreeNode.h"
#include "search/FileItem.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using namespace testing_support;

namespace {

class RecordingNode : public BundleTreeNode {
public:
    std::set<const BundleTreeNode*> childNodes;
    std::vector<std::shared_ptr<DepFileItem>> items;
    std::vector<std::string> marks;

    bool isHasChildTreeNode(const std::shared_ptr<BundleTreeNode>& node) const override {
        return childNodes.count(node.get()) > 0;
    }
    void addDepFileItem(const std::shared_ptr<DepFileItem>& item) override {
        items.push_back(item);
    }
    void removeDepFileItem(const std::shared_ptr<DepFileItem>& item) override {
        std::erase(items, item);
    }
    void addReportMark(const std::string& mark, int deep) override {
        marks.push_back(std::to_string(deep) + " " + mark);
    }
};

std::shared_ptr<FileItem> itemAt(const std::string& path) {
    return FileItem::createTreeForPath(path, 0, nullptr);
}

} // namespace

TEST(DepFileItem, SeparationNameDropsFileExtensionsAndALeadingDot) {
    std::string base = Sandbox::process().makeFolder("names");
    const struct {
        std::string name;
        bool folder;
        std::string expected;
    } cases[] = {
        {"com.example.app.plist", false, "com.example.app"},
        {"com.example.app", true, "com.example.app"},
        {".hidden.txt", false, "hidden"},
        {".config", false, "config"},
        {"archive.tar.gz", false, "archive.tar"},
    };
    for (const auto& c : cases) {
        std::string path = base + "/" + c.name;
        if (c.folder)
            makeDirs(path);
        else
            writeFile(path, "");
        auto item = DepFileItem::create(itemAt(path), 8);
        EXPECT_EQ(item->getNameUsedToSeparateItem(), c.expected) << c.name;
        item->setNameUsedToSeparateItem(std::nullopt);
        EXPECT_EQ(item->getNameUsedToSeparateItem(), c.name);
    }

    auto empty = DepFileItem::create(nullptr, 3);
    EXPECT_EQ(empty->getNameUsedToSeparateItem(), "");
    EXPECT_EQ(empty->getPath(), "");
    EXPECT_FALSE(empty->isExist());
    EXPECT_EQ(empty->calculateAssosiatedBundleIdentifier(), std::nullopt);

    auto file = DepFileItem::create(itemAt(base + "/.config"), 10);
    EXPECT_TRUE(file->isExist());
    removeTree(base + "/.config");
    EXPECT_FALSE(file->isExist());
}

TEST(DepFileItem, SeparationOnlyGrowsAndStaysBelowTheParentsNode) {
    std::string base = Sandbox::process().makeFolder("separation");
    makeDirs(base + "/Caches/com.example.app");
    auto parent = DepFileItem::create(itemAt(base + "/Caches"), 8);
    auto item = DepFileItem::create(itemAt(base + "/Caches/com.example.app"), 8);
    item->setParentDepFileItem(parent);
    auto parentNode = std::make_shared<RecordingNode>();
    auto childNode = std::make_shared<RecordingNode>();
    auto otherNode = std::make_shared<RecordingNode>();
    parentNode->childNodes.insert(childNode.get());
    using Items = std::vector<std::shared_ptr<DepFileItem>>;

    // While the parent item is not separated, any node will do.
    item->addToBundleTreeNode(otherNode, 1);
    EXPECT_TRUE(item->isSeparated());
    item->addToBundleTreeNode(childNode, 1); // not stronger
    EXPECT_EQ(item->getCurrentBundleTree(), otherNode);

    parent->addToBundleTreeNode(parentNode, 2);
    item->addToBundleTreeNode(otherNode, 3); // outside the parent's node
    EXPECT_EQ(item->getCurrentSeparatorType(), 1);
    item->addToBundleTreeNode(childNode, 3);
    EXPECT_EQ(otherNode->items, Items{});
    EXPECT_EQ(childNode->items, Items{item});
    item->addToBundleTreeNode(otherNode, 5); // type 5 may leave the parent's node
    EXPECT_EQ(otherNode->items, Items{item});
    item->addToBundleTreeNode(childNode, -1); // the strongest, compared unsigned
    EXPECT_EQ(item->getCurrentSeparatorType(), -1);
    EXPECT_EQ(childNode->items, Items{item});

    auto copy = item->createCopyOfDepFileItem();
    EXPECT_EQ(copy->getFileItem(), item->getFileItem());
    EXPECT_FALSE(copy->isSeparated());
    copy->addToBundleTreeNode(otherNode, 1); // still below the same parent item
    EXPECT_FALSE(copy->isSeparated());

    item->clearSeparatorTypeAndChangeGroupType(10);
    EXPECT_EQ(item->getGroupType(), 10);
    EXPECT_EQ(item->getCurrentSeparatorType(), 0);
    EXPECT_EQ(item->getCurrentBundleTree(), childNode);
    item->addReportMarkThatWasRemovedDueToParentFolder("/parent");
    EXPECT_EQ(childNode->marks,
              std::vector<std::string>{"0 file at path " + base + "/Caches/com.example.app" +
                                       " was removed due to parent folder: /parent"});

    item->prepareForReseparate();
    EXPECT_FALSE(item->isSeparated());
    EXPECT_EQ(childNode->items, Items{});
    item->addToBundleTreeNode(otherNode, 1); // the parent item is forgotten too
    EXPECT_EQ(item->getCurrentBundleTree(), otherNode);
}

TEST(DepFileItem, ContainerMetadataNamesTheOwningApplication) {
    std::string base = Sandbox::process().makeFolder("containers");
    auto plist = [](platform::PlistValue value) { return *platform::PropertyList::toXml(value); };
    platform::PlistValue::Dictionary plain{{"MCMMetadataIdentifier", "com.example.Editor"}};
    platform::PlistValue::Dictionary group{
        {"MCMMetadataIdentifier", "ABCDE12345.group.com.example.shared"}};
    platform::PlistValue::Dictionary number{{"MCMMetadataIdentifier", 42}};
    const struct {
        std::string label;
        std::optional<std::string> metadata;
        std::optional<std::string> expected;
    } cases[] = {
        {"xml", plist(plain), "com.example.Editor"},
        {"binary", *platform::PropertyList::toBinary(plain), "com.example.Editor"},
        {"group", plist(group), "com.example.shared"},
        {"number", plist(number), std::nullopt},
        {"array", plist(platform::PlistValue::Array{"com.example.Editor"}), std::nullopt},
        {"garbage", "<?xml version=\"1.0\"?><plist><dict><key>", std::nullopt},
        {"missing", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        std::string folder = base + "/" + c.label;
        makeDirs(folder);
        if (c.metadata)
            writeFile(folder + "/.com.apple.containermanagerd.metadata.plist", *c.metadata);
        auto item = DepFileItem::create(itemAt(folder), 9);
        EXPECT_EQ(item->assosiatedBundleIdentifier(), c.expected) << c.label;
    }

    // Worked out once for all threads, however the metadata changes afterwards.
    auto item = DepFileItem::create(itemAt(base + "/group"), 9);
    std::vector<std::optional<std::string>> answers(4);
    std::vector<std::thread> threads;
    for (auto& answer : answers)
        threads.emplace_back([&answer, &item] { answer = item->assosiatedBundleIdentifier(); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(answers, decltype(answers)(4, "com.example.shared"));
    writeFile(base + "/group/.com.apple.containermanagerd.metadata.plist", plist(plain));
    EXPECT_EQ(item->assosiatedBundleIdentifier(), "com.example.shared");
    EXPECT_EQ(item->calculateAssosiatedBundleIdentifier(), "com.example.Editor");
}
