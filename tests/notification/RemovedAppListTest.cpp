#include "notification/RemovedAppList.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "HVCocoaPackage/TableView.h"
#include "PanelTestSupport.h"
#include "notification/RemovedAppCellView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppRowView.h"
#include "shell/NSStringFileSize.h"

#include <gtest/gtest.h>

using panel_test::FixedRemains;
using panel_test::settle;

namespace {

constexpr int kWidth = 415;
constexpr int kHeight = 107;

RemovedAppList::Items makeItems(int count) {
    RemovedAppList::Items items;
    for (int index = 0; index < count; ++index) {
        const FixedRemains remains("app " + std::to_string(index), "/nowhere/App.app",
                                   std::uint64_t(index) * 1000000);
        items.push_back(std::make_shared<const RemovedAppDisplayItem>(remains));
    }
    return items;
}

class RemovedAppListTest : public testing::Test {
protected:
    void SetUp() override {
        m_container.resize(kWidth, kHeight);
        m_list = RemovedAppList::addToContainerView(&m_container);
    }

    RemovedAppRowView* row(int index) const {
        return qobject_cast<RemovedAppRowView*>(m_list->tableView()->rowViewAtRow(index));
    }

    QWidget m_container;
    RemovedAppList* m_list{nullptr};
};

} // namespace

// Row views are reused from one update to the next, so the last-row flag of each
// must be decided again every time.
TEST_F(RemovedAppListTest, EveryUpdateRebuildsTheRowsAndMarksOnlyTheLast) {
    settle(m_container);
    for (const int count : {3, 1, 2, 0, 2}) {
        // Rows are in place as soon as the update returns.
        m_list->updateWithItems(makeItems(count));
        ASSERT_EQ(m_list->appsCount(), count);
        ASSERT_EQ(m_list->tableView()->numberOfRows(), count);
        for (int index = 0; index < count; ++index) {
            RemovedAppRowView* view = row(index);
            ASSERT_TRUE(view) << count << " rows, row " << index;
            EXPECT_EQ(view->y(), index * RemovedAppList::rowHeight);
            EXPECT_EQ(view->isLastRow(), index == count - 1) << count << " rows, row " << index;
            auto* cell = qobject_cast<RemovedAppCellView*>(m_list->tableView()->viewAtRow(index));
            ASSERT_TRUE(cell);
            EXPECT_EQ(cell->appNameLabel()->attributedText().string().toStdString(),
                      "App " + std::to_string(index));
        }
    }
}

TEST(RemovedAppCellView, ShowsTheNameInCapitalisedWordsAndTheSizeOnceMeasured) {
    struct Case {
        std::string appName;
        std::uint64_t total;
        QString shownName;
    };
    const Case cases[] = {
        {"my cool app", 0, "My Cool App"},
        {"mixedCase TOOL", 999, "Mixedcase Tool"},
        // Markup characters in a name are text, not tags.
        {"a<b>c & <i>d", 5000000, "A<b>c & <i>d"},
    };
    for (const Case& c : cases) {
        const RemovedAppDisplayItem item(FixedRemains(c.appName, "/nowhere/X.app", c.total));
        RemovedAppCellView cell;
        cell.resize(kWidth, RemovedAppList::rowHeight);
        cell.updateWithItem(item);
        EXPECT_EQ(cell.appNameLabel()->attributedText().string().toStdString(),
                  c.shownName.toStdString());
        const QString size =
            c.total == 0
                ? QString()
                : QString::fromStdString(NSStringFileSize::convertToStringFromFileSize(c.total));
        EXPECT_EQ(item.size().toStdString(), size.toStdString()) << c.appName;
        EXPECT_EQ(cell.sizeLabel()->attributedText().string().toStdString(), size.toStdString());
        // The size never overlaps the name.
        if (c.total != 0) {
            EXPECT_LT(cell.appNameLabel()->geometry().right(), cell.sizeLabel()->x());
        }
    }
}
