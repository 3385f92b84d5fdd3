#include "shell/FileURL.h"

#include "platform/Text.h"

namespace {

constexpr std::string_view kScheme = "file://";

bool keepsAsIs(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("/-._~!$&'()*+,;=:@").find(static_cast<char>(c)) !=
               std::string_view::npos;
}

} // namespace

std::string FileURL::fromPath(const std::string& path) {
    static const char digits[] = "0123456789ABCDEF";
    std::string url(kScheme);
    for (unsigned char c : path) {
        if (keepsAsIs(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 0x0F];
        }
    }
    return url;
}

bool FileURL::isFileURL(const std::string& url) {
    return url.starts_with(kScheme);
}

std::optional<std::string> FileURL::toPath(const std::string& url) {
    if (url.starts_with('/'))
        return url;
    if (!isFileURL(url))
        return std::nullopt;
    std::string_view rest = std::string_view(url).substr(kScheme.size());
    if (rest.starts_with("localhost/"))
        rest.remove_prefix(9);
    if (!rest.starts_with('/'))
        return std::nullopt;
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%') {
            if (i + 2 >= rest.size())
                return std::nullopt;
            int high = platform::Text::hexDigitValue(rest[i + 1]);
            int low = platform::Text::hexDigitValue(rest[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += rest[i];
        }
    }
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}
