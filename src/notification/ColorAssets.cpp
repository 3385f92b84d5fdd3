#include "notification/ColorAssets.h"

#include "notification/HexColor.h"
#include "platform/Log.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPalette>

// Resources of a static library must be registered by name, outside any namespace.
static void registerUiResources() {
    Q_INIT_RESOURCE(ui);
}

namespace {

std::optional<QColor> parse(const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    return HexColor::colorWithHexStringNotCacheable(value.toString().toStdString());
}

} // namespace

const ColorAssets& ColorAssets::shared() {
    static const ColorAssets assets = [] {
        registerUiResources();
        QFile file(QStringLiteral(":/ui/colors.json"));
        if (!file.open(QIODevice::ReadOnly)) {
            platform::Log::warning(platform::Log::Component::Ui, "the colour assets are missing");
            return ColorAssets();
        }
        return fromJson(file.readAll());
    }();
    return assets;
}

ColorAssets ColorAssets::fromJson(const QByteArray& json) {
    ColorAssets assets;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    const QJsonObject object = document.object();
    for (auto entry = object.begin(); entry != object.end(); ++entry) {
        const QJsonObject pair = entry.value().toObject();
        const auto light = parse(pair.value(QLatin1String("light")));
        const auto dark = parse(pair.value(QLatin1String("dark")));
        if (light && dark)
            assets.m_colors[entry.key().toStdString()] = Pair{*light, *dark};
    }
    return assets;
}

Appearance ColorAssets::currentAppearance() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return Appearance::light;
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128 ? Appearance::dark
                                                                                : Appearance::light;
}

std::optional<QColor> ColorAssets::colorNamed(std::string_view name, Appearance appearance) const {
    const auto found = m_colors.find(name);
    if (found == m_colors.end())
        return std::nullopt;
    return appearance == Appearance::dark ? found->second.dark : found->second.light;
}
