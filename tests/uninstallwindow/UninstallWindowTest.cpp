#include "app/UninstallWindow.h"

#include "search/AppDependencyGroup.h"
#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::shared_ptr<PathForRemove> offer(const std::string& path, AppDependencyGroup group,
                                     std::uint64_t size) {
    auto item = PathForRemove::create(path, static_cast<std::int32_t>(group), "com.example.window");
    if (size)
        item->setSize(size);
    item->setReason("standard place 1 (Library/Caches): identifier com.example.window");
    return item;
}

} // namespace

// The window shows every leftover, lets only the movable ones be chosen, keeps the total
// of the checked ones, moves exactly those and puts them back.
TEST(UninstallWindowTest, MovesTheCheckedItemsAndPutsThemBack) {
    const std::string home = Sandbox::process().home();
    const std::string caches = home + "/Library/Caches/window-test";
    makeDirs(caches);
    makeDirs(home + "/.local/share/Trash/files/Window Test.app/Contents");
    std::vector<std::shared_ptr<PathForRemove>> offered = {
        offer(home + "/.local/share/Trash/files/Window Test.app", AppDependencyGroup::Binaries, 0),
        offer("/etc", AppDependencyGroup::Preferences, 0),
    };
    for (int index = 0; index < 3; ++index) {
        offered.push_back(offer(caches + "/item-" + std::to_string(index),
                                AppDependencyGroup::Caches, 1000u << index));
        writeFile(offered.back()->path(), "item " + std::to_string(index));
    }
    TrashMover::Layout layout;
    layout.homeTrash = home + "/.local/share/Trash";
    layout.uid = getuid();
    auto uninstaller = std::make_shared<const Uninstaller>(layout, home, nullptr);
    UninstallWindow window(uninstaller, uninstaller->plan(offered));
    window.show();

    ASSERT_EQ(window.itemCount(), 5);
    // Neither the application in the Trash nor a refused path can be chosen.
    window.setChecked(1, true);
    EXPECT_FALSE(window.isChecked(0) || window.isChecked(1));
    EXPECT_EQ(window.checkedBytes(), 7000u);

    auto* tree = window.findChild<QTreeWidget*>();
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Window Test");
    EXPECT_EQ(tree->topLevelItem(0)->child(2)->text(0), "~/Library/Caches/window-test/item-0");

    window.setChecked(3, false);
    QApplication::processEvents();
    EXPECT_EQ(window.checkedBytes(), 5000u);
    EXPECT_TRUE(window.totalText().startsWith("2 items checked"))
        << window.totalText().toStdString();
    QTreeWidgetItem* section = tree->topLevelItem(0);
    EXPECT_EQ(section->checkState(0), Qt::PartiallyChecked);
    // The section's box sets all its movable items, and follows them.
    section->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(window.checkedBytes(), 0u);
    section->setCheckState(0, Qt::Checked);
    EXPECT_EQ(window.checkedBytes(), 7000u);
    EXPECT_FALSE(window.isChecked(0) || window.isChecked(1));
    window.setChecked(3, false);
    EXPECT_EQ(section->checkState(0), Qt::PartiallyChecked);

    // "Move to Trash" is the default button: Return in the list presses it.
    QTest::keyClick(tree, Qt::Key_Return);
    ASSERT_EQ(window.report().moved.size(), 2u);
    EXPECT_EQ(readFile(caches + "/item-1"), "item 1") << "the unchecked item stays";
    EXPECT_NE(access((caches + "/item-0").c_str(), F_OK), 0);
    EXPECT_TRUE(window.reportText().contains("Moved 2 items to the Trash"))
        << window.reportText().toStdString();
    EXPECT_TRUE(window.reportText().contains("left unchecked"));

    window.putBack();
    EXPECT_EQ(window.report().moved.size(), 2u);
    for (int index = 0; index < 3; ++index)
        EXPECT_EQ(readFile(caches + "/item-" + std::to_string(index)),
                  "item " + std::to_string(index));
}
