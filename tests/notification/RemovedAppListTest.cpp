#include "notification/RemovedAppList.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "HVCocoaPackage/TableView.h"
#include "PanelTestSupport.h"
#include "notification/RemovedAppCellView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppRowView.h"

#include <gtest/gtest.h>

// Row views are reused from one update to the next, so the last-row flag of each must be
// decided again every time; names are shown in capitalised words.
TEST(RemovedAppList, EveryUpdateRebuildsTheRowsAndMarksOnlyTheLast) {
    QWidget container;
    container.resize(415, 107);
    RemovedAppList* list = RemovedAppList::addToContainerView(&container);
    panel_test::settle(container);
    for (const int count : {3, 1, 2, 0, 2}) {
        RemovedAppList::Items items;
        for (int index = 0; index < count; ++index)
            items.push_back(std::make_shared<const RemovedAppDisplayItem>(panel_test::FixedRemains(
                "app " + std::to_string(index), "/nowhere/App.app", index * 1000000)));
        // Rows are in place as soon as the update returns.
        list->updateWithItems(items);
        ASSERT_EQ(list->appsCount(), count);
        ASSERT_EQ(list->tableView()->numberOfRows(), count);
        for (int index = 0; index < count; ++index) {
            SCOPED_TRACE(std::to_string(count) + " rows, row " + std::to_string(index));
            auto* row = qobject_cast<RemovedAppRowView*>(list->tableView()->rowViewAtRow(index));
            ASSERT_TRUE(row);
            EXPECT_EQ(row->y(), index * RemovedAppList::rowHeight);
            EXPECT_EQ(row->isLastRow(), index == count - 1);
            auto* cell = qobject_cast<RemovedAppCellView*>(list->tableView()->viewAtRow(index));
            ASSERT_TRUE(cell);
            EXPECT_EQ(cell->appNameLabel()->attributedText().string().toStdString(),
                      "App " + std::to_string(index));
        }
    }
}
