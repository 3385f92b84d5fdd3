#pragma once

#include <QImage>
#include <optional>
#include <string>

// Icons of files as the desktop shows them. An application bundle shows the image
// named by CFBundleIconFile in its Contents/Resources (an .icns file, or any image
// format Qt reads); anything else, and a bundle whose icon cannot be read, shows the
// generic application icon. Icons come at their largest useful size; views scale
// them down.
//
// Bundles reach the helper from the user's Trash, so their icon files are outside
// data: a name that is not a plain file name, a file larger than kMaxIconFileBytes
// and an image Qt cannot decode all count as no icon. Main thread only.
class WorkspaceIcon {
public:
    static constexpr qint64 kMaxIconFileBytes = qint64(16) << 20;
    // Of the images in one icon file, the smallest that is at least this many pixels
    // wide is taken (the panel shows icons at up to 48 points at two pixels per
    // point); without one, the largest.
    static constexpr int kPreferredPixels = 128;
    // Images of a file beyond this many are not looked at.
    static constexpr int kMaxImagesPerFile = 32;

    // Always an icon: the bundle's own or the generic one.
    static QImage iconForFile(const std::string& path);

    // The bundle's own icon; none when it has none that can be read.
    static std::optional<QImage> bundleIcon(const std::string& bundlePath);

    static QImage genericApplicationIcon();

    // The icon of the running helper: its bundle's own, else the one drawn for it.
    static QImage helperApplicationIcon();

    // Forgets the icons read so far (they are kept per path, since the size reports
    // rebuild the list of applications many times over).
    static void clearCache();
};
