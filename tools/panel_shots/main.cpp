// Draws the notification panel as the README and docs/notification-panel.md show it:
//
//   panel-one-light.png    panel-one-dark.png      one application in the Trash
//   panel-three-light.png  panel-three-dark.png    three, with the list of them
//   panel-long-light.png   panel-long-dark.png     one with a long name
//
// The pictures come from the real widgets and the real controller on the offscreen
// platform (a 1280 x 800 screen), drawn onto transparent images. Everything happens
// in a private home folder inside a temporary folder that is removed at the end: the
// sample applications with generated icons lie in its Trash, and their leftovers in
// its Library are real files, found and measured through SimpleRemainsProvider as in
// the helper. The leftovers' space is allocated on disk without being written (about
// 1.5 GB for a moment), so the temporary folder must lie on a disk, not in memory.
//
// Usage: sweepwise-panel-shots <output folder> [--scale N]
//   --scale N   pixels per point (default 1); the committed pictures use 2.

#include "ScratchHome.h"
#include "notification/AppAppearanceType.h"
#include "notification/ColorAssets.h"
#include "notification/RichNotificationWC.h"
#include "notification/RichNotificationWindow.h"
#include "notification/SimpleRemainsProvider.h"
#include "platform/Bundle.h"
#include "platform/MainQueue.h"
#include "platform/SuiteDefaults.h"
#include "search/SimpleSizeCalculation.h"
#include "shell/WatcherSettings.h"

#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Measuring 1.5 GB of allocated space takes a moment on a busy machine; this only
// keeps a broken run from hanging.
constexpr std::chrono::seconds kWatchdog{60};
constexpr std::chrono::milliseconds kRestingTime{1500};

struct SampleApp {
    const char* name;
    const char* identifier;
    QColor top;
    QColor bottom;
    // The space of its cache; the bundle and the preferences add a few kilobytes,
    // which the panel's rounding hides.
    std::uint64_t cacheBytes;
    std::string path{};
    std::uint64_t expectedSize{0};
};

// A simple application icon: a rounded tile in two colours with a letter on it.
QByteArray iconPng(QColor top, QColor bottom, QChar letter) {
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
    return bytes;
}

// A file that takes `bytes` of disk space at once, without writing them.
bool allocateFile(const std::string& path, std::uint64_t bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool allocated = fallocate(fd, 0, 0, static_cast<off_t>(bytes)) == 0;
    close(fd);
    return allocated;
}

// The application in the home Trash (.local/share/Trash/files), and its cache folder and
// preferences in home/Library, two of the standard places the helper looks at.
bool makeSampleApp(const ScratchHome& scratch, SampleApp& app) {
    const std::string id = app.identifier;
    app.path = scratch.home() + "/.local/share/Trash/files/" + app.name + ".app";
    const std::string plist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
        std::string("<key>CFBundleIdentifier</key><string>") + id +
        "</string><key>CFBundleExecutable</key><string>" + app.name +
        "</string><key>CFBundleIconFile</key><string>Icon.png</string></dict></plist>\n";
    const QByteArray icon = iconPng(app.top, app.bottom, QLatin1Char(app.name[0]));
    const std::string library = scratch.home() + "/Library";
    const std::string caches = library + "/Caches/" + id;
    const std::string preferences = library + "/Preferences/" + id + ".plist";
    if (!ScratchHome::makeFolders(app.path + "/Contents/Resources") ||
        !ScratchHome::writeFile(app.path + "/Contents/Info.plist", plist) ||
        !ScratchHome::writeFile(app.path + "/Contents/Resources/Icon.png", icon.toStdString()) ||
        !ScratchHome::makeFolders(caches) || !ScratchHome::makeFolders(library + "/Preferences") ||
        !ScratchHome::writeFile(preferences, "<plist version=\"1.0\"><dict><key>launches</key>"
                                             "<integer>12</integer></dict></plist>\n")) {
        std::fprintf(stderr, "cannot create %s in %s\n", app.name, scratch.base().c_str());
        return false;
    }
    if (!allocateFile(caches + "/Cache.db", app.cacheBytes)) {
        std::fprintf(stderr, "cannot allocate %llu bytes in %s (a disk-backed TMPDIR is needed)\n",
                     static_cast<unsigned long long>(app.cacheBytes), caches.c_str());
        return false;
    }
    app.expectedSize = SimpleSizeCalculation::sizeOfItemAtPath(app.path) +
                       SimpleSizeCalculation::sizeOfItemAtPath(caches) +
                       SimpleSizeCalculation::sizeOfItemAtPath(preferences);
    return true;
}

bool everySizeArrived(const RichNotificationWC& controller, const std::vector<SampleApp*>& apps) {
    for (const SampleApp* app : apps) {
        bool found = false;
        for (const auto& [id, info] : controller.removeInfo())
            found = found || (id == app->identifier && info->getTotalSize() == app->expectedSize);
        if (!found)
            return false;
    }
    return true;
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

// Offers the applications one after another in the appearance chosen in the main
// application, waits until every leftover is measured, and draws the panel.
std::optional<QImage> drawPanel(const std::vector<SampleApp*>& apps, Appearance appearance) {
    const auto mainAppDefaults =
        platform::SuiteDefaults::create(WatcherSettings::GetInstance().getMainAppBundleID());
    if (!mainAppDefaults ||
        !mainAppDefaults->setAppAppearanceTypeValue(static_cast<std::int64_t>(
            appearance == Appearance::dark ? AppAppearanceType::dark : AppAppearanceType::light))) {
        std::fputs("cannot store the main application's appearance\n", stderr);
        return std::nullopt;
    }
    const auto controller = RichNotificationWC::create(std::make_shared<SimpleRemainsProvider>());
    if (!controller)
        return std::nullopt;
    platform::MainQueue& mainQueue = platform::MainQueue::shared();
    for (std::size_t index = 0; index < apps.size(); ++index) {
        controller->showNotificationForApp(platform::Bundle::create(apps[index]->path));
        if (!mainQueue.runUntil(
                [&] {
                    return controller->removeInfo().size() == index + 1 &&
                           controller->isWindowLoaded() && controller->window()->isVisible();
                },
                kWatchdog)) {
            std::fprintf(stderr, "the panel did not take %s\n", apps[index]->path.c_str());
            return std::nullopt;
        }
    }
    if (!mainQueue.runUntil([&] { return everySizeArrived(*controller, apps); }, kWatchdog)) {
        std::fputs("the leftovers' sizes did not arrive\n", stderr);
        return std::nullopt;
    }
    // The panel is drawn at rest: its layouts settled and the list's scroll bar, which
    // shows for a moment whenever the list grows, faded out again.
    QEventLoop rest;
    QTimer::singleShot(kRestingTime, &rest, &QEventLoop::quit);
    rest.exec();
    QImage image = renderWindow(*controller->window());
    controller->onNotificationClose();
    QCoreApplication::processEvents();
    return image;
}

int drawAll(const std::filesystem::path& folder, const ScratchHome& scratch) {
    // The same three applications the pictures have always shown.
    std::vector<SampleApp> samples{
        {"Lumen", "com.example.lumen", QColor(0xFF, 0x9F, 0x43), QColor(0xF2, 0x5C, 0x2A),
         254'300'000},
        {"tidewater", "com.example.tidewater", QColor(0x4F, 0xC3, 0xF7), QColor(0x1E, 0x88, 0xE5),
         18'600'000},
        {"Quill Pad", "com.example.quillpad", QColor(0x81, 0xC7, 0x84), QColor(0x38, 0x8E, 0x3C),
         1'200'000'000},
        // Sixty characters: the panel grows for it, and shortens it only beyond that.
        {"Harborlight Photo Library Manager Classic Professional Suite", "com.example.harborlight",
         QColor(0xB3, 0x9D, 0xDB), QColor(0x5E, 0x35, 0xB1), 86'400'000},
    };
    for (SampleApp& app : samples) {
        if (!makeSampleApp(scratch, app))
            return 1;
    }
    const std::vector<std::pair<const char*, std::vector<SampleApp*>>> pictures{
        {"panel-one", {&samples[0]}},
        {"panel-three", {&samples[0], &samples[1], &samples[2]}},
        {"panel-long", {&samples[3]}},
    };
    for (const auto& [base, apps] : pictures) {
        for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
            const std::optional<QImage> image = drawPanel(apps, appearance);
            const std::filesystem::path file =
                folder /
                (std::string(base) + (appearance == Appearance::dark ? "-dark.png" : "-light.png"));
            if (!image || !image->save(QString::fromStdString(file.string()), "PNG")) {
                std::fprintf(stderr, "cannot draw %s\n", file.c_str());
                return 1;
            }
            std::printf("%s: %d x %d\n", file.c_str(), image->width(), image->height());
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder;
    int scale = 1;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == "--scale" && index + 1 < argc) {
            scale = std::atoi(argv[++index]);
        } else if (folder.empty() && !argument.starts_with("-")) {
            folder = argument;
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty() || scale < 1 || scale > 4) {
        std::fprintf(stderr, "usage: %s <output folder> [--scale 1-4]\n", argv[0]);
        return 2;
    }
    std::error_code error;
    folder = std::filesystem::absolute(folder, error);
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }

    // Set up before anything of the helper or Qt reads its environment.
    const ScratchHome scratch;
    if (!scratch.isValid())
        return 1;
    const std::string screens = scratch.base() + "/screens.json";
    if (!ScratchHome::writeFile(screens, R"({"screens": [{"name": "primary", "x": 0, "y": 0,)"
                                         R"( "width": 1280, "height": 800, "logicalDpi": 96,)"
                                         R"( "logicalBaseDpi": 96}]})"))
        return 1;
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).c_str(), 1);
    setenv("QT_SCALE_FACTOR", std::to_string(scale).c_str(), 1);
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    // The texts in English with the decimal point, whatever the caller's locale.
    setenv("LC_ALL", "C.UTF-8", 1);
    unsetenv("LANGUAGE");

    QApplication application(argc, argv);
    return drawAll(folder, scratch);
}
