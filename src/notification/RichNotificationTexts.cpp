#include "notification/RichNotificationTexts.h"

#include "notification/AtributikaBridge.h"
#include "notification/RichNotificationWCLocalizable.h"
#include "notification/Styles.h"
#include "notification/TitleEmphasis.h"
#include "shell/NSStringFileSize.h"

namespace {

QString emphasisTag() {
    return QString::fromLatin1(Styles::helperTitleStyleTag);
}

} // namespace

AttributedString RichNotificationTexts::title(std::int64_t applications,
                                              const QString& shownAppName) {
    QString text;
    if (applications >= 2) {
        text = TitleEmphasis::emphasizingCount(
            QString::fromStdString(
                RichNotificationWCLocalizable::multipleAppsTitleWith(applications)),
            applications);
    } else {
        text = QString::fromStdString(RichNotificationWCLocalizable::titleWithAppName(
            TitleEmphasis::tagged(shownAppName).toStdString()));
    }
    AtributikaBridge bridge;
    bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperTitle, FigmaColor::text7,
                                   TextAlignment::left, LineBreakMode::wordWrapping,
                                   AtributikaBridge::DefaultTag());
    bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperTitle, FigmaColor::linkState,
                                   emphasisTag());
    return bridge.convertString(text);
}

AttributedString RichNotificationTexts::description(const Description& figures) {
    const std::string size = NSStringFileSize::convertToStringFromFileSize(figures.bytes);
    const std::int64_t count = figures.applications;
    QString text;
    AtributikaBridge bridge;
    bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperDescription, FigmaColor::text7,
                                   TextAlignment::left, LineBreakMode::wordWrapping,
                                   AtributikaBridge::DefaultTag());
    // Applications uninstalled (Flatpak) never went to the Trash; the text says so.
    if (count >= 2) {
        const std::string described =
            figures.uninstalled == 0
                ? RichNotificationWCLocalizable::descriptionWithApplicationsCount(count, size)
            : figures.uninstalled >= count
                ? RichNotificationWCLocalizable::uninstalledDescriptionWithApplicationsCount(count,
                                                                                             size)
                : RichNotificationWCLocalizable::mixedDescriptionWithApplicationsCount(count, size);
        text = QString::fromStdString(described);
        text.replace(QStringLiteral("<a>"), QStringLiteral("<%1>").arg(emphasisTag()));
        text.replace(QStringLiteral("</a>"), QStringLiteral("</%1>").arg(emphasisTag()));
        bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperDescriptionEmphasis, FigmaColor::text7,
                                       emphasisTag());
    } else {
        const std::string name = TitleEmphasis::tagged(figures.shownAppName).toStdString();
        const std::string sizeText =
            TitleEmphasis::tagged(QString::fromStdString(size)).toStdString();
        text = QString::fromStdString(
            figures.wasUninstalled
                ? RichNotificationWCLocalizable::uninstalledDescriptionWithAppName(name, sizeText)
                : RichNotificationWCLocalizable::descriptionWithAppName(name, sizeText));
        bridge.objcApplyWithFigmaStyle(FigmaTextStyle::helperDescription, FigmaColor::linkState,
                                       emphasisTag());
    }
    return bridge.convertString(text);
}
