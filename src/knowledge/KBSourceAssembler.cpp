#include "knowledge/KBSourceAssembler.h"

#include <cstddef>

namespace {

// Where the parts of one element lie in its text.
struct ElementSpan {
    std::string name;
    std::size_t start{0};        // "<" of the start tag
    std::size_t contentStart{0}; // just after the start tag
    std::size_t contentEnd{0};   // "<" of the end tag (contentStart when empty)
    bool selfClosing{false};
};

// The root element and its children, found by a scan that knows comments, CDATA,
// processing instructions and declarations, and that checks every end tag against
// its start tag. Nothing is decoded.
struct Outline {
    std::optional<ElementSpan> root;
    std::vector<ElementSpan> children;
    std::string error;
};

bool isNameEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// The offset just after `terminator` from `from`, or none.
std::optional<std::size_t> skipPast(std::string_view text, std::size_t from,
                                    std::string_view terminator) {
    const std::size_t at = text.find(terminator, from);
    if (at == std::string_view::npos)
        return std::nullopt;
    return at + terminator.size();
}

// The offset just after the ">" of a tag starting at `from`, quotes respected.
std::optional<std::size_t> tagEnd(std::string_view text, std::size_t from) {
    char quote = 0;
    for (std::size_t at = from; at < text.size(); ++at) {
        const char c = text[at];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return at + 1;
        }
    }
    return std::nullopt;
}

std::string nameAt(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && !isNameEnd(text[end]))
        ++end;
    return std::string(text.substr(from, end - from));
}

Outline outline(std::string_view text) {
    Outline result;
    std::vector<ElementSpan> open;
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string_view::npos) {
        std::optional<std::size_t> next;
        if (text.substr(at).starts_with("<!--"))
            next = skipPast(text, at + 4, "-->");
        else if (text.substr(at).starts_with("<![CDATA["))
            next = skipPast(text, at + 9, "]]>");
        else if (text.substr(at).starts_with("<?"))
            next = skipPast(text, at + 2, "?>");
        else if (text.substr(at).starts_with("<!"))
            next = tagEnd(text, at + 2);
        else if (text.substr(at).starts_with("</")) {
            const std::string name = nameAt(text, at + 2);
            if (open.empty() || open.back().name != name) {
                result.error = "end tag </" + name + "> does not close the open element";
                return result;
            }
            next = tagEnd(text, at + 2);
            ElementSpan closed = std::move(open.back());
            open.pop_back();
            closed.contentEnd = at;
            if (open.empty())
                result.root = closed;
            else if (open.size() == 1)
                result.children.push_back(closed);
        } else {
            next = tagEnd(text, at + 1);
            ElementSpan element{nameAt(text, at + 1), at, next.value_or(0), 0, false};
            if (element.name.empty()) {
                result.error = "a tag without a name";
                return result;
            }
            if (result.root) {
                result.error = "a second root element <" + element.name + ">";
                return result;
            }
            element.selfClosing = next && *next >= 2 && text[*next - 2] == '/';
            if (element.selfClosing) {
                element.contentEnd = element.contentStart;
                if (open.empty())
                    result.root = element;
                else if (open.size() == 1)
                    result.children.push_back(element);
            } else {
                open.push_back(std::move(element));
            }
        }
        if (!next) {
            result.error = "the text ends inside a tag, comment or CDATA section";
            return result;
        }
        at = *next;
    }
    if (!open.empty())
        result.error = "<" + open.back().name + "> is never closed";
    else if (!result.root)
        result.error = "no root element";
    return result;
}

} // namespace

KBSourceAssembler::Result KBSourceAssembler::assemble(const Source& main,
                                                      const std::vector<Source>& domainFiles) {
    const Outline base = outline(main.text);
    if (!base.error.empty())
        return {std::nullopt, main.name + ": " + base.error};
    if (base.root->name != "base")
        return {std::nullopt,
                main.name + ": the root element is <" + base.root->name + ">, not <base>"};
    if (base.root->selfClosing && !domainFiles.empty())
        return {std::nullopt, main.name + ": an empty <base/> cannot take further domains"};

    std::string domains;
    for (const Source& file : domainFiles) {
        const Outline part = outline(file.text);
        if (!part.error.empty())
            return {std::nullopt, file.name + ": " + part.error};
        if (part.root->name != "domains")
            return {std::nullopt,
                    file.name + ": the root element is <" + part.root->name + ">, not <domains>"};
        for (const ElementSpan& child : part.children) {
            if (child.name != "d")
                return {std::nullopt,
                        file.name + ": <" + child.name + "> in <domains> (only <d> belongs there)"};
        }
        // A comment may not hold "--", so an odd file name is left out.
        if (file.name.find("--") == std::string::npos && !file.name.ends_with('-'))
            domains += "\n<!-- " + file.name + " -->";
        domains += "\n";
        domains += file.text.substr(part.root->contentStart,
                                    part.root->contentEnd - part.root->contentStart);
    }
    if (domainFiles.empty())
        return {std::string(main.text), {}};

    // The helper reads the first `domains` section only.
    const std::string_view text = main.text;
    for (const ElementSpan& section : base.children) {
        if (section.name != "domains")
            continue;
        if (section.selfClosing) {
            // "<domains/>" becomes "<domains>" + the domains + "</domains>".
            const std::string_view tag =
                text.substr(section.start, section.contentStart - section.start);
            std::string open(tag.substr(0, tag.rfind('/')));
            return {std::string(text.substr(0, section.start)) + open + ">" + domains +
                        "</domains>" + std::string(text.substr(section.contentStart)),
                    {}};
        }
        return {std::string(text.substr(0, section.contentEnd)) + domains +
                    std::string(text.substr(section.contentEnd)),
                {}};
    }
    return {std::string(text.substr(0, base.root->contentEnd)) + "<domains>" + domains +
                "</domains>" + std::string(text.substr(base.root->contentEnd)),
            {}};
}
