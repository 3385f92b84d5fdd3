#include "notification/WorkspaceIcon.h"

#include "PanelTestSupport.h"

#include <QBuffer>
#include <QtEndian>
#include <gtest/gtest.h>

using panel_test::makeApp;
using testing_support::Sandbox;
using testing_support::writeFile;

namespace {

QByteArray png(int pixels, QColor color) {
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An icon family of PNG images: 32, 128 and 256 pixels wide, in that order.
std::string icnsWithThreeSizes() {
    const auto bigEndian = [](qsizetype value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(quint32(value), bytes.data());
        return bytes;
    };
    QByteArray entries;
    const std::pair<const char*, QByteArray> images[] = {
        {"icp5", png(32, Qt::red)}, {"ic07", png(128, Qt::green)}, {"ic08", png(256, Qt::blue)}};
    for (const auto& [type, data] : images)
        entries += QByteArray(type) + bigEndian(data.size() + 8) + data;
    return (QByteArray("icns") + bigEndian(entries.size() + 8) + entries).toStdString();
}

std::string iconKey(const std::string& name) {
    return "<key>CFBundleIconFile</key><string>" + name + "</string>";
}

} // namespace

// The icon named in the bundle's information, read from its resources; the generic one
// when there is none that can be read there (width 0 below).
TEST(WorkspaceIcon, ReadsTheBundleIconNamedInItsInformation) {
    struct Case {
        std::string infoEntries;
        std::string file;
        std::string contents;
        int width;
    };
    const std::string icns = icnsWithThreeSizes();
    const std::string png64 = png(64, Qt::yellow).toStdString();
    const Case cases[] = {
        {iconKey("AppIcon"), "AppIcon.icns", icns, 128},
        {iconKey("Icon.png"), "Icon.png", png64, 64},
        {"", "AppIcon.icns", icns, 0},
        {"<key>CFBundleIconFile</key><integer>7</integer>", "", "", 0},
        {iconKey("AppIcon"), "", "", 0},
        {iconKey("../Escape.png"), "../Escape.png", png64, 0},
        {iconKey("AppIcon.icns"), "AppIcon.icns", "icns and then no icon family at all", 0},
        {iconKey("AppIcon.icns"), "AppIcon.icns", icns.substr(0, 60), 0},
        {iconKey("AppIcon.icns"), "AppIcon.icns/x", "x", 0},
    };
    const QImage generic = WorkspaceIcon::genericApplicationIcon();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.infoEntries + " " + c.file);
        const std::string app =
            makeApp(Sandbox::process().makeFolder("app"), "Foo", "com.example.foo", c.infoEntries);
        const std::string file = app + "/Contents/Resources/" + c.file;
        testing_support::makeDirs(file.substr(0, file.rfind('/')));
        if (!c.file.empty())
            writeFile(file, c.contents);
        const auto icon = WorkspaceIcon::bundleIcon(app);
        EXPECT_EQ(icon ? icon->width() : 0, c.width);
        EXPECT_EQ(WorkspaceIcon::iconForFile(app), c.width && icon ? *icon : generic);
    }
    EXPECT_EQ(WorkspaceIcon::iconForFile(Sandbox::process().makeFolder("Plain.app")), generic);
}

// An application of another kind carries the image read from it; one that is not an image
// gives the generic icon, and the path alone finds the description while it is in use.
TEST(WorkspaceIcon, AnApplicationOfAnotherKindShowsTheImageItCarries) {
    const std::string folder = Sandbox::process().makeFolder("appimage");
    const QImage generic = WorkspaceIcon::genericApplicationIcon();
    const std::pair<std::string, int> cases[] = {{png(48, Qt::magenta).toStdString(), 48},
                                                 {"\x89PNG not really", 0}};
    int index = 0;
    for (const auto& [data, width] : cases) {
        const std::string path = folder + "/Foo" + std::to_string(++index) + ".AppImage";
        writeFile(path, "ELF");
        auto bundle = platform::Bundle::createDescribed(
            path, platform::Bundle::Kind::AppImage,
            platform::PlistValue(platform::PlistValue::Dictionary{}), data);
        const auto icon = WorkspaceIcon::bundleIcon(path);
        EXPECT_EQ(icon ? icon->width() : 0, width);
        EXPECT_EQ(WorkspaceIcon::iconForFile(path), width ? *icon : generic);
    }
}
