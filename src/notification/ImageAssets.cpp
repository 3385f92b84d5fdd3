#include "notification/ImageAssets.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>

// Resources of a static library must be registered by name, outside any namespace.
static void registerImageResources() {
    Q_INIT_RESOURCE(ui);
}

namespace {

QString resourcePath(const QString& name, int scale) {
    return QStringLiteral(":/ui/images/") + name +
           (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

void ensureRegistered() {
    static const bool registered = [] {
        registerImageResources();
        return true;
    }();
    (void)registered;
}

} // namespace

QPixmap ImageAssets::imageNamed(const QString& name, qreal devicePixelRatio) {
    ensureRegistered();
    const int preferred = devicePixelRatio > 1.0 ? 2 : 1;
    for (const int scale : {preferred, 3 - preferred}) {
        QPixmap pixmap(resourcePath(name, scale));
        if (pixmap.isNull())
            continue;
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    return {};
}

QPixmap ImageAssets::imageNamed(const QString& name) {
    const auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return imageNamed(name, application ? application->devicePixelRatio() : 1.0);
}

QImage ImageAssets::largestImageNamed(const QString& name) {
    ensureRegistered();
    for (const int scale : {2, 1}) {
        QImage image(resourcePath(name, scale));
        if (!image.isNull())
            return image;
    }
    return {};
}
