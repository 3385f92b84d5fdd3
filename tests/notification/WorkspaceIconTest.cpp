#include "notification/WorkspaceIcon.h"

#include "PanelTestSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// An icon family of PNG images: 32, 128 and 256 pixels wide, in that order.
std::string icnsWithThreeSizes() {
    QByteArray entries;
    const std::pair<const char*, QByteArray> images[] = {
        {"icp5", png(32, Qt::red)}, {"ic07", png(128, Qt::green)}, {"ic08", png(256, Qt::blue)}};
    for (const auto& [type, data] : images)
        entries += QByteArray(type) + bigEndian(quint32(data.size() + 8)) + data;
    const QByteArray file = QByteArray("icns") + bigEndian(quint32(entries.size() + 8)) + entries;
    return file.toStdString();
}

std::string iconKey(const std::string& name) {
    return "<key>CFBundleIconFile</key><string>" + name + "</string>";
}

} // namespace

TEST(WorkspaceIcon, ReadsTheBundleIconNamedInItsInformation) {
    struct Case {
        const char* name;
        std::string infoEntries;
        std::string file;
        std::string contents;
        int expectedWidth;
    };
    const std::string icns = icnsWithThreeSizes();
    const std::string png64 = png(64, Qt::yellow).toStdString();
    const Case cases[] = {
        {"icns named without extension", iconKey("AppIcon"), "AppIcon.icns", icns, 128},
        {"png, any size", iconKey("Icon.png"), "Icon.png", png64, 64},
        {"png whose extension is left out", iconKey("Icon"), "Icon", png64, 64},
    };
    for (const Case& c : cases) {
        const std::string app =
            makeApp(Sandbox::process().makeFolder("app"), "Foo", "com.example.foo", c.infoEntries);
        writeFile(app + "/Contents/Resources/" + c.file, c.contents);
        const auto icon = WorkspaceIcon::bundleIcon(app);
        ASSERT_TRUE(icon) << c.name;
        EXPECT_EQ(icon->width(), c.expectedWidth) << c.name;
        EXPECT_EQ(WorkspaceIcon::iconForFile(app).width(), c.expectedWidth) << c.name;
    }
}

TEST(WorkspaceIcon, BundlesWithoutAReadableIconShowTheGenericOne) {
    struct Case {
        const char* name;
        std::string infoEntries;
        std::string file;
        std::string contents;
    };
    const std::string png64 = png(64, Qt::yellow).toStdString();
    const Case cases[] = {
        {"no icon key", "", "AppIcon.icns", icnsWithThreeSizes()},
        {"icon key not a string", "<key>CFBundleIconFile</key><integer>7</integer>", "", ""},
        {"missing file", iconKey("AppIcon"), "", ""},
        {"name leaving the resources", iconKey("../Escape.png"), "../Escape.png", png64},
        {"name in a subfolder", iconKey("Sub/Icon.png"), "Sub/Icon.png", png64},
        {"not an image", iconKey("AppIcon.icns"), "AppIcon.icns",
         "icns and then no icon family at all"},
        {"truncated family", iconKey("AppIcon.icns"), "AppIcon.icns",
         icnsWithThreeSizes().substr(0, 60)},
        {"folder instead of file", iconKey("AppIcon.icns"), "AppIcon.icns/x", "x"},
    };
    const QImage generic = WorkspaceIcon::genericApplicationIcon();
    ASSERT_FALSE(generic.isNull());
    for (const Case& c : cases) {
        const std::string app =
            makeApp(Sandbox::process().makeFolder("app"), "Foo", "com.example.foo", c.infoEntries);
        if (!c.file.empty()) {
            const std::string file = app + "/Contents/Resources/" + c.file;
            testing_support::makeDirs(file.substr(0, file.rfind('/')));
            writeFile(file, c.contents);
        }
        EXPECT_FALSE(WorkspaceIcon::bundleIcon(app)) << c.name;
        EXPECT_EQ(WorkspaceIcon::iconForFile(app), generic) << c.name;
    }

    EXPECT_EQ(WorkspaceIcon::iconForFile(Sandbox::process().makeFolder("Plain.app")), generic);
}

TEST(WorkspaceIcon, OversizedIconFilesAreNotRead) {
    const std::string app =
        makeApp(Sandbox::process().makeFolder("app"), "Foo", "com.example.foo", iconKey("Big.png"));
    const std::string path = app + "/Contents/Resources/Big.png";
    writeFile(path, png(16, Qt::red).toStdString());
    ASSERT_TRUE(WorkspaceIcon::bundleIcon(app));
    // A valid image followed by a sparse tail past the limit.
    ASSERT_EQ(truncate(path.c_str(), WorkspaceIcon::kMaxIconFileBytes + 1), 0);
    EXPECT_FALSE(WorkspaceIcon::bundleIcon(app));
}
