#include "platform/StringsTable.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace platform {

namespace {

enum class ByteOrder { littleEndian, bigEndian };

std::optional<std::string> decodeUtf16(std::string_view bytes, ByteOrder order) {
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    auto unitAt = [&](std::size_t index) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[index]);
        const auto second = static_cast<unsigned char>(bytes[index + 1]);
        return order == ByteOrder::littleEndian ? (second << 8 | first) : (first << 8 | second);
    };
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return std::nullopt;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 2 >= bytes.size())
                return std::nullopt;
            const char32_t low = unitAt(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        Utf8::append(text, unit);
    }
    return text;
}

// Text without a byte order mark that holds NUL bytes is taken for UTF-16, in the
// byte order that puts the NULs where the high bytes of ASCII characters would be.
ByteOrder guessByteOrder(std::string_view bytes) {
    std::size_t evenNuls = 0;
    std::size_t oddNuls = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0')
            ++(i % 2 == 0 ? evenNuls : oddNuls);
    }
    return evenNuls > oddNuls ? ByteOrder::bigEndian : ByteOrder::littleEndian;
}

std::optional<std::string> decode(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    else if (bytes.starts_with("\xFF\xFE"))
        return decodeUtf16(bytes.substr(2), ByteOrder::littleEndian);
    else if (bytes.starts_with("\xFE\xFF"))
        return decodeUtf16(bytes.substr(2), ByteOrder::bigEndian);
    else if (bytes.find('\0') != std::string_view::npos)
        return decodeUtf16(bytes, guessByteOrder(bytes));
    if (!Utf8::isValid(bytes))
        return std::nullopt;
    return std::string(bytes);
}

bool isUnquotedCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '/' || c == ':' || c == '.' || c == '-';
}

// A recursive-descent reader over decoded UTF-8 text; every method answers false
// (or none) at the first defect.
class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    bool parse(std::map<std::string, std::string, std::less<>>& entries) {
        if (!skipSpaceAndComments())
            return false;
        const bool braced = accept('{');
        while (true) {
            if (!skipSpaceAndComments())
                return false;
            if (atEnd())
                return !braced;
            if (braced && accept('}'))
                return skipSpaceAndComments() && atEnd();
            std::optional<std::string> key = readString();
            if (!key || !skipSpaceAndComments())
                return false;
            std::optional<std::string> value = key;
            if (accept('=')) {
                if (!skipSpaceAndComments() || !(value = readString()) || !skipSpaceAndComments())
                    return false;
            }
            if (!accept(';'))
                return false;
            entries.insert_or_assign(std::move(*key), std::move(*value));
        }
    }

private:
    bool atEnd() const { return m_at >= m_text.size(); }
    char peek(std::size_t ahead = 0) const {
        return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : '\0';
    }

    bool accept(char c) {
        if (atEnd() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }

    // False only for a block comment that never ends.
    bool skipSpaceAndComments() {
        while (!atEnd()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++m_at;
            } else if (c == '/' && peek(1) == '/') {
                m_at = std::min(m_text.find_first_of("\r\n", m_at), m_text.size());
            } else if (c == '/' && peek(1) == '*') {
                const std::size_t end = m_text.find("*/", m_at + 2);
                if (end == std::string_view::npos)
                    return false;
                m_at = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    std::optional<std::string> readString() {
        const char c = peek();
        if (c == '"' || c == '\'')
            return readQuoted(c);
        const std::size_t start = m_at;
        while (!atEnd() && isUnquotedCharacter(peek()))
            ++m_at;
        if (m_at == start)
            return std::nullopt;
        return std::string(m_text.substr(start, m_at - start));
    }

    std::optional<std::string> readQuoted(char quote) {
        ++m_at;
        std::string out;
        while (!atEnd()) {
            const char c = m_text[m_at++];
            if (c == quote)
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                return std::nullopt;
            if (!readEscape(out))
                return std::nullopt;
        }
        return std::nullopt;
    }

    bool readEscape(std::string& out) {
        const char c = m_text[m_at++];
        static constexpr std::string_view kLetters = "abfnrtv";
        static constexpr std::string_view kControls = "\a\b\f\n\r\t\v";
        if (const std::size_t at = kLetters.find(c); at != std::string_view::npos) {
            out += kControls[at];
            return true;
        }
        if (c == 'U')
            return readUnicodeEscape(out);
        if (c >= '0' && c <= '7') {
            char32_t value = static_cast<char32_t>(c - '0');
            for (int digits = 1; digits < 3 && peek() >= '0' && peek() <= '7'; ++digits)
                value = value * 8 + static_cast<char32_t>(m_text[m_at++] - '0');
            Utf8::append(out, value);
            return true;
        }
        // Any other escaped character, multi-byte ones included, stands for itself.
        out += c;
        return true;
    }

    std::optional<char32_t> readHexUnit() {
        char32_t value = 0;
        int digits = 0;
        for (; digits < 4 && Text::hexDigitValue(peek()) >= 0; ++digits)
            value = value * 16 + static_cast<char32_t>(Text::hexDigitValue(m_text[m_at++]));
        if (digits == 0)
            return std::nullopt;
        return value;
    }

    bool readUnicodeEscape(std::string& out) {
        std::optional<char32_t> unit = readHexUnit();
        if (!unit)
            return false;
        if (*unit >= 0xD800 && *unit <= 0xDBFF && peek() == '\\' && peek(1) == 'U') {
            const std::size_t mark = m_at;
            m_at += 2;
            std::optional<char32_t> low = readHexUnit();
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                Utf8::append(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
                return true;
            }
            m_at = mark;
        }
        Utf8::append(out, *unit);
        return true;
    }

    std::string_view m_text;
    std::size_t m_at{0};
};

} // namespace

std::optional<StringsTable> StringsTable::parse(std::string_view bytes) {
    std::optional<std::string> text = decode(bytes);
    if (!text)
        return std::nullopt;
    StringsTable table;
    if (!Parser(*text).parse(table.m_entries))
        return std::nullopt;
    return table;
}

std::optional<StringsTable> StringsTable::readFile(const std::string& path) {
    std::optional<std::string> bytes = FileSystem::readFile(path, kMaximumFileSize);
    if (!bytes)
        return std::nullopt;
    return parse(*bytes);
}

std::optional<std::string> StringsTable::lookup(std::string_view key) const {
    auto it = m_entries.find(key);
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

} // namespace platform
