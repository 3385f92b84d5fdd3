#include "notification/RemovedAppList.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "HVCocoaPackage/TableView.h"
#include "PanelTestSupport.h"
#include "notification/FigmaPalette.h"
#include "notification/ImageView.h"
#include "notification/RemovedAppCellView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppRowView.h"
#include "notification/TextStyleData.h"
#include "shell/NSStringFileSize.h"

#include <QTest>
#include <gtest/gtest.h>

using panel_test::FixedRemains;
using panel_test::rowIs;
using panel_test::settle;
using testing_support::renderWidget;
using testing_support::saveSnapshot;

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
            EXPECT_EQ(view->height(), RemovedAppList::rowHeight);
            EXPECT_EQ(view->y(), index * RemovedAppList::rowHeight);
            EXPECT_EQ(view->isLastRow(), index == count - 1) << count << " rows, row " << index;
            auto* cell = qobject_cast<RemovedAppCellView*>(m_list->tableView()->viewAtRow(index));
            ASSERT_TRUE(cell);
            EXPECT_EQ(cell->appNameLabel()->attributedText().string().toStdString(),
                      "App " + std::to_string(index));
        }
    }
}

TEST_F(RemovedAppListTest, SeparatorsRunFrom66To14BeforeTheEdgeExceptUnderTheLastRow) {
    m_list->updateWithItems(makeItems(2));
    settle(m_container);
    const QImage image = renderWidget(m_container);
    saveSnapshot(image, QStringLiteral("removed-app-list"));

    const QColor stroke = FigmaPalette::colorForFigmaColor(FigmaColor::stroke1);
    const int line = RemovedAppList::rowHeight - 1;
    const int right = kWidth - 14;
    EXPECT_TRUE(rowIs(image, line, 66, right, stroke));
    EXPECT_EQ(image.pixelColor(65, line).alpha(), 0);
    EXPECT_EQ(image.pixelColor(right, line).alpha(), 0);
    EXPECT_TRUE(rowIs(image, line - 1, 66, right, Qt::transparent));
    EXPECT_TRUE(rowIs(image, line + 1, 66, right, Qt::transparent));
    EXPECT_TRUE(rowIs(image, 2 * RemovedAppList::rowHeight - 1, 0, kWidth, Qt::transparent));
}

TEST_F(RemovedAppListTest, SelectedRowsLookLikeTheOthers) {
    m_list->updateWithItems(makeItems(2));
    settle(m_container);
    const QImage before = renderWidget(m_container);

    QTest::mouseClick(row(0), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(m_list->tableView()->selectedRow(), 0);
    ASSERT_TRUE(row(0)->isSelected());
    EXPECT_EQ(renderWidget(m_container), before);
}

TEST(RemovedAppCellView, ShowsTheNameInCapitalisedWordsAndTheSizeOnceMeasured) {
    struct Case {
        std::string appName;
        std::uint64_t total;
        QString shownName;
    };
    const Case cases[] = {
        {"my cool app", 0, "My Cool App"},
        {"TEXTEDIT", 1234567, "Textedit"},
        {"mixedCase tool", 999, "Mixedcase Tool"},
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
            c.total == 0 ? QString()
                         : QString::fromStdString(
                               NSStringFileSize::convertToStringFromFileSize(c.total));
        EXPECT_EQ(item.size().toStdString(), size.toStdString()) << c.appName;
        EXPECT_EQ(cell.sizeLabel()->attributedText().string().toStdString(), size.toStdString());
        EXPECT_FALSE(cell.iconImgView()->image().isNull()) << c.appName;

        // The size ends where the separator ends and never overlaps the name.
        if (c.total != 0) {
            EXPECT_EQ(cell.sizeLabel()->geometry().right() + 1, kWidth - 14) << c.appName;
            EXPECT_LT(cell.appNameLabel()->geometry().right(), cell.sizeLabel()->x());
        }
        EXPECT_EQ(cell.appNameLabel()->x(), RemovedAppRowView::separatorLeft);
    }
}
