#include "notification/TagParser.h"

#include <array>
#include <optional>

namespace {

bool isNameStart(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isNameChar(QChar c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == u':';
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

struct Tag {
    enum class Kind { opening, closing, empty };

    Kind kind;
    QStringView name;
    // Index just after the closing ">".
    qsizetype end;
};

// The tag whose "<" is at `at`, or none when the "<" is ordinary text.
std::optional<Tag> readTag(QStringView text, qsizetype at) {
    const qsizetype size = text.size();
    qsizetype i = at + 1;
    const bool closing = i < size && text[i] == u'/';
    if (closing)
        ++i;
    if (i >= size || !isNameStart(text[i]))
        return std::nullopt;
    const qsizetype nameStart = i;
    while (i < size && isNameChar(text[i]))
        ++i;
    const QStringView name = text.mid(nameStart, i - nameStart);
    if (closing) {
        while (i < size && isSpace(text[i]))
            ++i;
        if (i < size && text[i] == u'>')
            return Tag{Tag::Kind::closing, name, i + 1};
        return std::nullopt;
    }
    if (i < size && !isSpace(text[i]) && text[i] != u'/' && text[i] != u'>')
        return std::nullopt;
    // Attributes: anything up to ">", where quoted parts may hold ">". A "<" even
    // in quotes means this was no tag, which also keeps parsing linear in time.
    QChar quote;
    QChar lastOutsideQuotes;
    for (; i < size; ++i) {
        const QChar c = text[i];
        if (c == u'<')
            return std::nullopt;
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            const auto kind = lastOutsideQuotes == u'/' ? Tag::Kind::empty : Tag::Kind::opening;
            return Tag{kind, name, i + 1};
        }
        if (!isSpace(c))
            lastOutsideQuotes = c;
    }
    return std::nullopt;
}

struct Entity {
    QStringView text;
    QChar character;
};

constexpr std::array<Entity, 5> kEntities{{
    {u"&lt;", u'<'},
    {u"&gt;", u'>'},
    {u"&amp;", u'&'},
    {u"&quot;", u'"'},
    {u"&apos;", u'\''},
}};

class Builder {
public:
    void addText(QStringView text) { m_pending += text; }
    void addCharacter(QChar c) { m_pending += c; }

    void open(QStringView name) {
        flush();
        if (m_open.size() < TagParser::kMaxDepth)
            m_open.emplace_back(name.toString());
        else
            m_ignored.emplace_back(name.toString());
    }

    void close(QStringView name) {
        for (auto it = m_ignored.rbegin(); it != m_ignored.rend(); ++it) {
            if (*it == name) {
                m_ignored.erase(std::next(it).base(), m_ignored.end());
                return;
            }
        }
        for (auto it = m_open.rbegin(); it != m_open.rend(); ++it) {
            if (*it == name) {
                flush();
                m_open.erase(std::next(it).base(), m_open.end());
                m_ignored.clear();
                return;
            }
        }
    }

    std::vector<TagParser::Run> finish() {
        flush();
        return std::move(m_runs);
    }

private:
    void flush() {
        if (m_pending.isEmpty())
            return;
        if (!m_runs.empty() && m_runs.back().tags == m_open)
            m_runs.back().text += m_pending;
        else
            m_runs.push_back({m_pending, m_open});
        m_pending.clear();
    }

    std::vector<TagParser::Run> m_runs;
    std::vector<QString> m_open;
    std::vector<QString> m_ignored;
    QString m_pending;
};

} // namespace

std::vector<TagParser::Run> TagParser::parse(QStringView text) {
    Builder builder;
    qsizetype i = 0;
    qsizetype plainStart = 0;
    const auto takePlain = [&](qsizetype upTo) {
        builder.addText(text.mid(plainStart, upTo - plainStart));
    };
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'<') {
            if (const auto tag = readTag(text, i)) {
                takePlain(i);
                if (tag->name == u"br") {
                    if (tag->kind != Tag::Kind::closing)
                        builder.addCharacter(u'\n');
                } else if (tag->kind == Tag::Kind::opening) {
                    builder.open(tag->name);
                } else if (tag->kind == Tag::Kind::closing) {
                    builder.close(tag->name);
                }
                i = plainStart = tag->end;
                continue;
            }
        } else if (c == u'&') {
            bool decoded = false;
            for (const Entity& entity : kEntities) {
                if (text.mid(i).startsWith(entity.text)) {
                    takePlain(i);
                    builder.addCharacter(entity.character);
                    i = plainStart = i + entity.text.size();
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
        }
        ++i;
    }
    takePlain(text.size());
    return builder.finish();
}

QString TagParser::escape(QStringView text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            escaped += QLatin1String("&amp;");
        else if (c == u'<')
            escaped += QLatin1String("&lt;");
        else if (c == u'>')
            escaped += QLatin1String("&gt;");
        else
            escaped += c;
    }
    return escaped;
}
