#include "PanelTestSupport.h"
#include "notification/AppAppearanceManager.h"
#include "notification/ImageAssets.h"
#include "notification/RichNotificationView.h"

#include <QApplication>
#include <gtest/gtest.h>

using testing_support::near;
using testing_support::renderWidget;

TEST(RichNotificationView, DrawsAOnePointBorderAroundTheInteriorAndLeavesTheCornersClear) {
    const QPalette system = QApplication::palette();
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        QApplication::setPalette(AppAppearanceManager::paletteFor(appearance));
        const QColor stroke = *ColorAssets::shared().colorNamed("stroke_1", appearance);
        const QColor interior = *ColorAssets::shared().colorNamed("bg_10", appearance);

        RichNotificationView view;
        view.resize(401, 139);
        const QImage image = renderWidget(view);
        const auto at = [&](int x, int y) { return image.pixelColor(x, y); };

        // Straight edges: exactly one point of border on each side.
        for (const QPoint border :
             {QPoint(200, 0), QPoint(200, 138), QPoint(0, 70), QPoint(400, 70)}) {
            EXPECT_TRUE(near(at(border.x(), border.y()), stroke, 4))
                << border.x() << "," << border.y();
        }
        for (const QPoint inside :
             {QPoint(200, 1), QPoint(200, 137), QPoint(1, 70), QPoint(399, 70), QPoint(200, 70)}) {
            EXPECT_TRUE(near(at(inside.x(), inside.y()), interior, 4))
                << inside.x() << "," << inside.y();
        }
        // The 14-point corners are rounded off: transparent at the very corner,
        // drawn where the curve has come in.
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(2, 2), QPoint(400, 0), QPoint(0, 138), QPoint(398, 136)}) {
            EXPECT_EQ(at(corner.x(), corner.y()).alpha(), 0) << corner.x() << "," << corner.y();
        }
        EXPECT_EQ(at(5, 5).alpha(), 255);
    }
    QApplication::setPalette(system);
}

TEST(ImageAssets, EveryImageComesAtOneAndTwoPixelsPerPoint) {
    for (const char* name :
         {"CustomButtonBG105", "CustomButtonBG105_click", "CustomButtonBG104",
          "CustomButtonBG104_click", "GenericApplicationIcon", "HelperApplicationIcon"}) {
        const QPixmap single = ImageAssets::imageNamed(name, 1.0);
        const QPixmap twice = ImageAssets::imageNamed(name, 2.0);
        ASSERT_FALSE(single.isNull()) << name;
        ASSERT_FALSE(twice.isNull()) << name;
        EXPECT_EQ(single.devicePixelRatio(), 1.0) << name;
        EXPECT_EQ(twice.devicePixelRatio(), 2.0) << name;
        EXPECT_EQ(twice.size(), single.size() * 2) << name;
        EXPECT_EQ(twice.deviceIndependentSize(), single.deviceIndependentSize()) << name;
    }
    EXPECT_TRUE(ImageAssets::imageNamed("NoSuchImage", 2.0).isNull());
}
