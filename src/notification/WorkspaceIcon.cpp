#include "notification/WorkspaceIcon.h"

#include "notification/ImageAssets.h"
#include "platform/Bundle.h"

#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <map>

namespace {

// Enough for every application of one notification; beyond it the cache starts afresh.
constexpr std::size_t kCacheLimit = 64;

std::map<std::string, QImage>& cache() {
    static std::map<std::string, QImage> icons;
    return icons;
}

bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::optional<std::string> iconFilePath(const platform::Bundle& bundle) {
    const platform::PlistValue* value = bundle.objectForInfoDictionaryKey("CFBundleIconFile");
    const std::string* name = value ? value->asString() : nullptr;
    if (!name || !isPlainFileName(*name))
        return std::nullopt;
    // The key may name the file with or without its extension.
    if (QFileInfo(QString::fromStdString(*name)).suffix().isEmpty()) {
        if (auto path = bundle.pathForResource(*name, "icns"))
            return path;
    }
    return bundle.pathForResource(*name, "");
}

// Whether an image `width` pixels wide suits the panel better than one `chosen` wide.
bool fitsBetter(int width, int chosen) {
    const int preferred = WorkspaceIcon::kPreferredPixels;
    if (width >= preferred)
        return chosen < preferred || width < chosen;
    return chosen < preferred && width > chosen;
}

std::optional<QImage> readIcon(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > WorkspaceIcon::kMaxIconFileBytes)
        return std::nullopt;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // Icon files do not tell their images' sizes before decoding, so each is read.
    const int count = std::clamp(reader.imageCount(), 1, WorkspaceIcon::kMaxImagesPerFile);
    std::optional<QImage> chosen;
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !reader.jumpToImage(index))
            break;
        QImage image = reader.read();
        if (!image.isNull() && (!chosen || fitsBetter(image.width(), chosen->width())))
            chosen = std::move(image);
    }
    return chosen;
}

} // namespace

std::optional<QImage> WorkspaceIcon::bundleIcon(const std::string& bundlePath) {
    const auto bundle = platform::Bundle::create(bundlePath);
    if (!bundle)
        return std::nullopt;
    // An application of another kind carries its icon's image, read from the application.
    if (const std::string& data = bundle->iconData();
        !data.empty() && data.size() <= static_cast<std::size_t>(kMaxIconFileBytes)) {
        QImage image;
        if (image.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                               static_cast<int>(data.size())))
            return image;
        return std::nullopt;
    }
    const auto path = iconFilePath(*bundle);
    if (!path)
        return std::nullopt;
    return readIcon(QString::fromStdString(*path));
}

QImage WorkspaceIcon::iconForFile(const std::string& path) {
    auto& icons = cache();
    if (const auto found = icons.find(path); found != icons.end())
        return found->second;
    QImage icon = bundleIcon(path).value_or(genericApplicationIcon());
    if (icons.size() >= kCacheLimit)
        icons.clear();
    icons.emplace(path, icon);
    return icon;
}

QImage WorkspaceIcon::genericApplicationIcon() {
    static const QImage icon =
        ImageAssets::largestImageNamed(QStringLiteral("GenericApplicationIcon"));
    return icon;
}

QImage WorkspaceIcon::helperApplicationIcon() {
    static const QImage icon = [] {
        if (const auto bundle = platform::Bundle::mainBundle()) {
            if (auto own = bundleIcon(bundle->bundlePath()))
                return *own;
        }
        return ImageAssets::largestImageNamed(QStringLiteral("HelperApplicationIcon"));
    }();
    return icon;
}

void WorkspaceIcon::clearCache() {
    cache().clear();
}
