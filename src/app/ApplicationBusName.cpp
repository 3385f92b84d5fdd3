#include "app/ApplicationBusName.h"

namespace {

constexpr std::size_t kMaxNameLength = 255;

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

} // namespace

bool ApplicationBusName::isValid(const std::string& bundleIdentifier) {
    if (bundleIdentifier.empty() || bundleIdentifier.size() > kMaxNameLength)
        return false;
    std::size_t elements = 0;
    std::size_t start = 0;
    while (start <= bundleIdentifier.size()) {
        std::size_t end = bundleIdentifier.find('.', start);
        if (end == std::string::npos)
            end = bundleIdentifier.size();
        if (end == start || (bundleIdentifier[start] >= '0' && bundleIdentifier[start] <= '9'))
            return false;
        for (std::size_t i = start; i < end; ++i) {
            if (!isNameCharacter(bundleIdentifier[i]))
                return false;
        }
        ++elements;
        start = end + 1;
    }
    return elements >= 2;
}

QString ApplicationBusName::objectPath(const std::string& bundleIdentifier) {
    QString path = QStringLiteral("/") + QString::fromStdString(bundleIdentifier);
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}
