#include "knowledge/TBXMLParser.h"

#include "knowledge/TBXMLScan.h"

#include <array>
#include <cstring>

namespace {

constexpr char kCommentOpen[] = "<!--";
constexpr char kCommentClose[] = "-->";
constexpr char kCDataOpen[] = "<![CDATA[";
constexpr char kCDataClose[] = "]]>";
constexpr size_t kCommentOpenLength = sizeof(kCommentOpen) - 1;
constexpr size_t kCDataOpenLength = sizeof(kCDataOpen) - 1;
constexpr size_t kCloseLength = 3;

// White space inside a tag: it separates the name from the attributes and the
// attributes from each other.
inline bool isTagSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// White space of the C locale, trimmed from both ends of a text.
inline bool isTextSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Bytes that end an element name, and bytes that end an attribute name.
constexpr std::array<bool, 256> makeStopTable(bool stopAtSlash, bool stopAtEquals) {
    std::array<bool, 256> table{};
    for (char c : {' ', '\t', '\n', '\r'})
        table[static_cast<unsigned char>(c)] = true;
    table['/'] = stopAtSlash;
    table['='] = stopAtEquals;
    return table;
}
constexpr auto kElementNameStop = makeStopTable(true, false);
constexpr auto kAttributeNameStop = makeStopTable(false, true);

} // namespace

TBXMLParser::TBXMLParser(char* begin, char* end, TBXMLPool<_TBXMLElement>& elements,
                         TBXMLPool<_TBXMLAttribute>& attributes)
    : m_begin(begin), m_end(end), m_elements(elements), m_attributes(attributes) {}

// Inlining every step into the loop saves about a sixth of the parse time: most tags are
// a few dozen bytes, so call overhead and lost register state weigh as much as the scans.
[[gnu::flatten]] TBXMLParser::Outcome TBXMLParser::parse() {
    char* cursor = m_begin;
    while (cursor < m_end) {
        char* tagStart = findEither(cursor, m_end, '<', '\0');
        if (tagStart == m_end)
            break;
        if (*tagStart == '\0') {
            // A NUL byte of the input ends the string it falls in, so the text can no
            // longer be assumed to run up to the next tag.
            m_textClean = false;
            cursor = tagStart + 1;
            continue;
        }
        if (tagStart[1] == '!') {
            if (startsWith(tagStart, kCommentOpen, kCommentOpenLength)) {
                char* close = find(tagStart + kCommentOpenLength, kCommentClose, m_end);
                if (!close)
                    note(TBXMLProblem::Kind::TruncatedMarkup, tagStart);
                cursor = close ? close + kCloseLength : m_end;
                skipMarkup(tagStart, nullptr, nullptr, cursor);
                continue;
            }
            if (startsWith(tagStart, kCDataOpen, kCDataOpenLength)) {
                char* content = tagStart + kCDataOpenLength;
                char* close = find(content, kCDataClose, m_end);
                if (!close)
                    note(TBXMLProblem::Kind::TruncatedMarkup, tagStart);
                cursor = close ? close + kCloseLength : m_end;
                skipMarkup(tagStart, content, close ? close : m_end, cursor);
                continue;
            }
        }

        endTextAt(tagStart);
        if (!m_textEnd)
            m_textEnd = tagStart;
        *tagStart = '\0';
        bool hasCData = false;
        char* tagEnd = findTagEnd(tagStart + 1, hasCData);
        if (!tagEnd) {
            note(TBXMLProblem::Kind::TruncatedMarkup, tagStart);
            break;
        }
        if (*tagEnd == '<') {
            note(TBXMLProblem::Kind::UnterminatedTag, tagStart);
            // A tag cut short by the next "<" is dropped; that "<" starts the next one.
            cursor = tagEnd;
            continue;
        }
        *tagEnd = '\0';
        if (!handleTag(tagStart + 1, tagEnd, hasCData))
            return Outcome::OutOfMemory;
        cursor = tagEnd + 1;
    }

    endTextAt(m_end);
    if (m_current)
        note(TBXMLProblem::Kind::UnclosedElement, m_current->name - 1, m_current->name);
    while (m_current)
        close(m_end);
    return Outcome::Parsed;
}

// A comment, or a CDATA section whose content is `contentBegin` to `contentEnd`, that
// runs from `start` to `resume`. Inside the text of the current element it is cut out,
// keeping a CDATA section's content; elsewhere it is only passed over, because any text
// there is either outside every element or dropped once the element has a child.
void TBXMLParser::skipMarkup(char* start, char* contentBegin, char* contentEnd, char* resume) {
    if (!m_current || !m_current->text)
        return;
    auto keep = [this](char* from, char* to) {
        std::memmove(m_textWrite, from, static_cast<size_t>(to - from));
        m_textWrite += to - from;
    };
    m_textClean = false;
    if (m_textWrite)
        keep(m_textKept, start);
    else
        m_textWrite = start;
    if (contentBegin)
        keep(contentBegin, contentEnd);
    m_textKept = resume;
}

// Ends the cutting out of markup at the next tag: the last kept bytes move down and
// the bytes freed before the tag become blanks, which trimming removes later.
void TBXMLParser::endTextAt(char* tagStart) {
    if (!m_textWrite)
        return;
    size_t kept = static_cast<size_t>(tagStart - m_textKept);
    std::memmove(m_textWrite, m_textKept, kept);
    m_textWrite += kept;
    std::memset(m_textWrite, ' ', static_cast<size_t>(tagStart - m_textWrite));
    m_textWrite = nullptr;
}

// The ">" that ends the tag whose name starts at `from`, passing over CDATA sections;
// or the "<" that cuts the tag short; or nullptr when the input ends first.
char* TBXMLParser::findTagEnd(char* from, bool& hasCData) {
    char* cursor = from;
    for (;;) {
        char* found = findEither(cursor, m_end, '<', '>');
        if (found == m_end)
            return nullptr;
        if (*found == '>' || !startsWith(found, kCDataOpen, kCDataOpenLength))
            return found;
        char* close = find(found + kCDataOpenLength, kCDataClose, m_end);
        if (!close)
            return nullptr;
        hasCData = true;
        cursor = close + kCloseLength;
    }
}

// Handles the tag between `name` (just after its "<") and `tagEnd` (its ">", already
// NUL). Gives false only when a record cannot be allocated.
bool TBXMLParser::handleTag(char* name, char* tagEnd, bool hasCData) {
    if (*name == '/') {
        if (!m_current)
            note(TBXMLProblem::Kind::StrayClosingTag, name - 1);
        else if (!closes(name + 1))
            note(TBXMLProblem::Kind::MismatchedClosingTag, name - 1, m_current->name);
        close(name - 1);
        return true;
    }
    if (*name == '?' || *name == '!')
        return true;

    bool selfClosing = tagEnd > name && tagEnd[-1] == '/';
    char* end = selfClosing ? tagEnd - 1 : tagEnd;
    *end = '\0';

    if (m_streaming)
        beforeElement();
    _TBXMLElement* element = m_elements.take();
    if (!element)
        return false;
    element->name = name;
    append(element);

    char* cursor = name;
    while (cursor < end && !kElementNameStop[static_cast<unsigned char>(*cursor)])
        ++cursor;
    if (cursor < end) {
        *cursor = '\0';
        if (!parseAttributes(element, cursor + 1, end, hasCData))
            return false;
    }
    if (!selfClosing) {
        element->text = tagEnd + 1;
        m_current = element;
        m_textEnd = nullptr;
        m_textClean = true;
    }
    if (m_streaming)
        afterElement(element, selfClosing, tagEnd);
    return true;
}

void TBXMLParser::streamSection(std::string_view root, std::string_view section,
                                ChildAction onChild) {
    m_streaming = true;
    m_stream.root = root;
    m_stream.section = section;
    m_stream.onChild = std::move(onChild);
}

// Every record taken from here until the child ends belongs to the child.
void TBXMLParser::beforeElement() {
    if (m_stream.element && m_current == m_stream.element) {
        m_stream.elements = m_elements.mark();
        m_stream.attributes = m_attributes.mark();
    }
}

void TBXMLParser::afterElement(_TBXMLElement* element, bool selfClosing, char* tagEnd) {
    _TBXMLElement* parent = element->parentElement;
    if (!parent)
        return;
    if (parent == m_stream.element) {
        if (selfClosing)
            handOver(element, tagEnd);
        return;
    }
    // Only the first child of the root with the section's name is the section, as for a
    // reader that looks the section up by name.
    if (m_stream.decided || parent != m_root ||
        std::string_view(element->name) != m_stream.section ||
        std::string_view(m_root->name) != m_stream.root)
        return;
    m_stream.decided = true;
    if (!selfClosing)
        m_stream.element = element;
}

void TBXMLParser::handOver(_TBXMLElement* child, const char* end) {
    m_stream.onChild(child, end);
    // The child is the section's last child: it leaves the tree, and its records and
    // those of everything in it are taken again for the next child.
    _TBXMLElement* parent = child->parentElement;
    parent->currentChild = child->previousSibling;
    if (child->previousSibling)
        child->previousSibling->nextSibling = nullptr;
    else
        parent->firstChild = nullptr;
    m_elements.rewind(m_stream.elements);
    m_attributes.rewind(m_stream.attributes);
}

// Reads attributes with the forgiving state machine of the format: skip white space,
// take a name up to white space or "=", skip to an opening quote, take the value up to
// the same quote. Anything else is ignored; an attribute without a closed value ends
// the list.
bool TBXMLParser::parseAttributes(_TBXMLElement* element, char* cursor, char* end, bool hasCData) {
    _TBXMLAttribute* last = nullptr;
    while (cursor < end) {
        while (cursor < end && isTagSpace(*cursor))
            ++cursor;
        char* name = cursor;
        while (cursor < end && !kAttributeNameStop[static_cast<unsigned char>(*cursor)])
            ++cursor;
        char* nameEnd = cursor;
        while (cursor < end && *cursor != '"' && *cursor != '\'')
            ++cursor;
        if (cursor == end)
            break;
        char* value = cursor + 1;
        char* valueEnd = endOfValue(value, end, *cursor, hasCData);
        if (!valueEnd)
            break;
        // The name ends before the opening quote, so this cannot cut the value.
        *nameEnd = '\0';

        _TBXMLAttribute* attribute = m_attributes.take();
        if (!attribute)
            return false;
        attribute->name = name;
        attribute->value = value;
        if (last)
            last->next = attribute;
        else
            element->firstAttribute = attribute;
        last = attribute;
        cursor = valueEnd + 1;
    }
    return true;
}

// Finds the quote that closes the value starting at `value` and NUL-terminates the
// value, removing the markers of CDATA sections inside it (whose content may hold
// quotes). Gives the closing quote, or nullptr when the tag ends first.
char* TBXMLParser::endOfValue(char* value, char* end, char quote, bool hasCData) {
    if (!hasCData) {
        char* closing = findEither(value, end, quote, quote);
        if (closing == end)
            return nullptr;
        *closing = '\0';
        return closing;
    }
    char* write = nullptr;
    char* kept = value;
    char* cursor = value;
    auto keep = [&write](char* from, char* to) {
        std::memmove(write, from, static_cast<size_t>(to - from));
        write += to - from;
    };
    for (;;) {
        char* found = findEither(cursor, end, quote, '<');
        if (found == end)
            return nullptr;
        if (*found == '<') {
            if (!startsWith(found, kCDataOpen, kCDataOpenLength)) {
                cursor = found + 1;
                continue;
            }
            char* content = found + kCDataOpenLength;
            char* close = find(content, kCDataClose, end);
            if (!close)
                return nullptr;
            if (write)
                keep(kept, found);
            else
                write = found;
            keep(content, close);
            kept = cursor = close + kCloseLength;
            continue;
        }
        if (write) {
            keep(kept, found);
            *write = '\0';
        } else {
            *found = '\0';
        }
        return found;
    }
}

// Appends `element` as the last child of the current element, or after the last
// top-level element when none is open. A parent's text goes with its first child.
void TBXMLParser::append(_TBXMLElement* element) {
    _TBXMLElement* parent = m_current;
    if (!parent) {
        if (m_lastTopLevel) {
            m_lastTopLevel->nextSibling = element;
            element->previousSibling = m_lastTopLevel;
        } else {
            m_root = element;
        }
        m_lastTopLevel = element;
        return;
    }
    element->parentElement = parent;
    if (parent->currentChild) {
        parent->currentChild->nextSibling = element;
        element->previousSibling = parent->currentChild;
    } else {
        parent->firstChild = element;
    }
    parent->currentChild = element;
    parent->text = nullptr;
}

// Ends the current element, whatever name the closing tag gives: its text, which runs
// at most to `textBound`, loses surrounding white space.
void TBXMLParser::close(char* textBound) {
    _TBXMLElement* element = m_current;
    if (!element)
        return;
    if (char* text = element->text) {
        char* end = m_textClean && m_textEnd
                        ? m_textEnd
                        : text + strnlen(text, static_cast<size_t>(textBound - text));
        while (text < end && isTextSpace(*text))
            ++text;
        while (end > text && isTextSpace(end[-1]))
            --end;
        *end = '\0';
        element->text = text;
    }
    m_current = element->parentElement;
    if (m_streaming && m_stream.element) {
        if (m_current == m_stream.element)
            handOver(element, textBound);
        else if (element == m_stream.element)
            m_stream.element = nullptr;
    }
}

bool TBXMLParser::startsWith(const char* at, const char* marker, size_t length) const {
    return static_cast<size_t>(m_end - at) >= length && std::memcmp(at, marker, length) == 0;
}

char* TBXMLParser::find(char* from, const char* marker, char* limit) const {
    if (from >= limit)
        return nullptr;
    return static_cast<char*>(
        memmem(from, static_cast<size_t>(limit - from), marker, std::strlen(marker)));
}

bool TBXMLParser::closes(const char* name) const {
    const char* open = m_current->name;
    while (*open && *open == *name) {
        ++open;
        ++name;
    }
    // "</d >" closes <d> as well as "</d>" does.
    return *open == '\0' && (*name == '\0' || isTagSpace(*name));
}

void TBXMLParser::note(TBXMLProblem::Kind kind, const char* at, const char* element) {
    if (m_problem)
        return;
    TBXMLProblem& problem = m_problem.emplace();
    problem.kind = kind;
    problem.offset = static_cast<size_t>(at - m_begin);
    // Names reach a log line: only printable ASCII, and not much of it.
    for (const char* c = element; c && *c && problem.element.size() < 64; ++c)
        problem.element += (*c > 0x20 && *c < 0x7f) ? *c : '?';
}
