#include "PanelTestSupport.h"
#include "TestRemainsProvider.h"
#include "notification/AppAppearanceManager.h"
#include "notification/FigmaPalette.h"
#include "notification/RichNotificationWC.h"
#include "notification/RichNotificationWindow.h"
#include "notification/SuiteDefaults.h"
#include "platform/MainQueue.h"
#include "shell/WatcherSettings.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

using panel_test::makeApp;
using panel_test::rowIs;
using panel_test::TestRemainsProvider;
using testing_support::near;
using testing_support::Sandbox;
using testing_support::saveSnapshot;
using testing_support::writeFile;

namespace {

// A simple application icon: a rounded tile in two colours with a letter on it.
std::string iconPng(QColor top, QColor bottom, QChar letter) {
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF tile(24, 20, 208, 208);
        QPainterPath path;
        path.addRoundedRect(tile, 46, 46);
        QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        painter.fillPath(path, fill);
        QFont font;
        font.setPixelSize(120);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(tile, Qt::AlignCenter, QString(letter));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// The window drawn alone at its own pixel ratio, transparent outside the panel.
QImage renderWindow(QWidget& window) {
    const qreal ratio = window.devicePixelRatioF();
    QImage image(window.size() * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

class RichNotificationLookTest : public testing::Test {
protected:
    struct Application {
        const char* name;
        const char* identifier;
        QColor top;
        QColor bottom;
        std::uint64_t bytes;
    };

    void SetUp() override {
        m_controller = RichNotificationWC::create(m_provider);
        m_mainAppDefaults =
            SuiteDefaults::create(WatcherSettings::GetInstance().getMainAppBundleID());
        testing_support::makeDirs(Sandbox::process().home() + "/Library/Preferences");
    }

    void TearDown() override {
        m_controller.reset();
        std::remove(m_mainAppDefaults->path().c_str());
        AppAppearanceManager::shared().prepareBeforeAppWindowAppears(nullptr);
    }

    // Shows the panel for the applications, each with its icon and measured
    // leftovers, in the appearance chosen in the main application.
    QImage show(const std::vector<Application>& applications, Appearance appearance) {
        EXPECT_TRUE(m_mainAppDefaults->setAppAppearanceTypeValue(static_cast<std::int64_t>(
            appearance == Appearance::dark ? AppAppearanceType::dark : AppAppearanceType::light)));
        const std::string trash = Sandbox::process().makeFolder("Trash");
        const std::size_t first = m_provider->made.size();
        for (std::size_t index = 0; index < applications.size(); ++index) {
            const Application& application = applications[index];
            const std::string path =
                makeApp(trash, application.name, application.identifier,
                        "<key>CFBundleIconFile</key><string>Icon.png</string>");
            writeFile(path + "/Contents/Resources/Icon.png",
                      iconPng(application.top, application.bottom, application.name[0]));
            m_controller->showNotificationForApp(platform::Bundle::create(path));
            EXPECT_TRUE(platform::MainQueue::shared().runUntil(
                [&] { return m_provider->made.size() == first + index + 1; },
                std::chrono::seconds(10)));
        }
        for (std::size_t index = 0; index < applications.size(); ++index)
            m_provider->made[first + index]->report(applications[index].bytes);
        return renderWindow(*m_controller->window());
    }

    static QString name(const char* base, Appearance appearance) {
        return QString::fromLatin1(base) +
               QLatin1String(appearance == Appearance::dark ? "-dark" : "-light");
    }

    std::shared_ptr<TestRemainsProvider> m_provider{std::make_shared<TestRemainsProvider>()};
    std::shared_ptr<RichNotificationWC> m_controller;
    std::shared_ptr<SuiteDefaults> m_mainAppDefaults;
};

} // namespace

// Draws the panel for one and for three applications in both appearances (the pictures of
// the documentation, when snapshots are kept) and checks what tells the two layouts apart.
TEST_F(RichNotificationLookTest, OneAndThreeApplications) {
    const Application lumen{"Lumen", "com.example.lumen", QColor(0xFF, 0x9F, 0x43),
                            QColor(0xF2, 0x5C, 0x2A), 254'300'000};
    const std::vector<Application> three{
        lumen,
        {"tidewater", "com.example.tidewater", QColor(0x4F, 0xC3, 0xF7), QColor(0x1E, 0x88, 0xE5),
         18'600'000},
        {"Quill Pad", "com.example.quillpad", QColor(0x81, 0xC7, 0x84), QColor(0x38, 0x8E, 0x3C),
         1'200'000'000}};
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        const QColor stroke = *ColorAssets::shared().colorNamed("stroke_1", appearance);
        const QColor interior = *ColorAssets::shared().colorNamed("bg_10", appearance);
        QImage image = show({lumen}, appearance);
        saveSnapshot(image, name("panel-one", appearance));
        int r = qRound(image.devicePixelRatio());
        ASSERT_EQ(image.size(), QSize(401, 139) * r);
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
        // Nothing lies between the header and the buttons without the list.
        EXPECT_TRUE(rowIs(image, 101 * r, r, 400 * r, interior));
        m_controller->onNotificationClose();

        image = show(three, appearance);
        saveSnapshot(image, name("panel-three", appearance));
        r = qRound(image.devicePixelRatio());
        ASSERT_EQ(image.size(), QSize(415, 255) * r);
        // The line above the list spans the panel inside its border.
        EXPECT_TRUE(rowIs(image, 100 * r, r, 414 * r, stroke));
        m_controller->onNotificationClose();
    }
}
