#include "notification/TitleEmphasis.h"

#include "notification/LocalizedFormat.h"
#include "notification/Styles.h"
#include "notification/TagParser.h"

QString TitleEmphasis::tag() {
    return QString::fromLatin1(Styles::helperTitleStyleTag);
}

QString TitleEmphasis::tagged(const QString& text) {
    // Names come from bundles in the Trash; escaping keeps a "<" in one from being
    // read as markup.
    return QStringLiteral("<%1>%2</%1>").arg(tag(), TagParser::escape(text));
}

QString TitleEmphasis::emphasizingCount(QString title, std::int64_t count,
                                        const platform::NumberSymbols& symbols) {
    const QString local = QString::fromStdString(LocalizedFormat::format("%zd", {count}, symbols));
    const QString digits = title.contains(local) ? local : QString::number(count);
    return title.replace(digits, tagged(digits));
}
