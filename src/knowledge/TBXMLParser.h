#pragma once

#include "knowledge/TBXML.h"
#include "knowledge/TBXMLProblem.h"

#include <functional>
#include <optional>
#include <string_view>

// The single forward scan that turns the reader's buffer into element records. It
// writes NUL bytes into the buffer to end names, values and texts, and moves bytes
// down where comments and CDATA markers are cut out of a text or a value. Every scan
// is bounded by the end of the buffer and resumes where the previous one stopped, so
// any input is parsed in linear time without recursion.
class TBXMLParser {
public:
    enum class Outcome { Parsed, OutOfMemory };

    // `begin` to `end` is the input; `*end` must be the buffer's terminating NUL.
    TBXMLParser(char* begin, char* end, TBXMLPool<_TBXMLElement>& elements,
                TBXMLPool<_TBXMLAttribute>& attributes);

    // Hands every child of the first element named `section` under a root named `root`
    // to `onChild` as soon as the child is read whole, with the end of its text in the
    // buffer, and then drops it: the section stays in the tree, without children, and
    // the child's records are taken again for the next one. A reader of a large section
    // that needs each child once holds one at a time. Set before parse().
    using ChildAction = std::function<void(const _TBXMLElement* child, const char* end)>;
    void streamSection(std::string_view root, std::string_view section, ChildAction onChild);

    Outcome parse();
    _TBXMLElement* root() const { return m_root; }
    // The first structural fault met, if any; parsing goes on past it.
    const std::optional<TBXMLProblem>& problem() const { return m_problem; }

private:
    void skipMarkup(char* start, char* contentBegin, char* contentEnd, char* resume);
    void endTextAt(char* tagStart);
    char* findTagEnd(char* from, bool& hasCData);
    bool handleTag(char* tagStart, char* tagEnd, bool hasCData);
    bool parseAttributes(_TBXMLElement* element, char* cursor, char* end, bool hasCData);
    char* endOfValue(char* value, char* end, char quote, bool hasCData);
    void append(_TBXMLElement* element);
    void close(char* textBound);
    bool startsWith(const char* at, const char* marker, size_t length) const;
    char* find(char* from, const char* marker, char* limit) const;
    // Keeps the first fault only: later ones are often its consequences.
    void note(TBXMLProblem::Kind kind, const char* at, const char* element = nullptr);
    // Whether the closing tag whose name starts at `name` names the open element.
    bool closes(const char* name) const;
    // Streaming: notes where a child of the streamed section starts, decides which
    // element is the section, and hands a finished child over and drops it.
    void beforeElement();
    void afterElement(_TBXMLElement* element, bool selfClosing, char* tagEnd);
    void handOver(_TBXMLElement* child, const char* end);

    char* m_begin;
    char* m_end;
    TBXMLPool<_TBXMLElement>& m_elements;
    TBXMLPool<_TBXMLAttribute>& m_attributes;

    _TBXMLElement* m_root{nullptr};
    _TBXMLElement* m_current{nullptr};
    _TBXMLElement* m_lastTopLevel{nullptr};
    std::optional<TBXMLProblem> m_problem;

    // While comments or CDATA markers are being cut out of the current element's text,
    // kept bytes are moved down to m_textWrite; m_textKept is the start of kept bytes
    // not moved yet. m_textWrite is nullptr when nothing has been cut out.
    char* m_textWrite{nullptr};
    char* m_textKept{nullptr};

    // Where the text of the current element was ended by the next tag (nullptr until
    // then), and whether nothing else can end it earlier: no NUL byte of the input and
    // nothing cut out. Trimming then needs no search for the text's end.
    char* m_textEnd{nullptr};
    bool m_textClean{true};

    // The streamed section: what names it, and once it is open, the element itself.
    struct Stream {
        std::string_view root;
        std::string_view section;
        ChildAction onChild;
        bool decided{false};
        _TBXMLElement* element{nullptr};
        TBXMLPool<_TBXMLElement>::Mark elements{};
        TBXMLPool<_TBXMLAttribute>::Mark attributes{};
    };
    Stream m_stream;
    bool m_streaming{false};
};
