#include "knowledge/TBXMLProblem.h"

std::string_view TBXMLProblem::nameOf(Kind kind) {
    switch (kind) {
    case Kind::NoRootElement:
        return "no root element";
    case Kind::UnclosedElement:
        return "unclosed element";
    case Kind::MismatchedClosingTag:
        return "mismatched closing tag";
    case Kind::StrayClosingTag:
        return "closing tag without an open element";
    case Kind::UnterminatedTag:
        return "unterminated tag";
    case Kind::TruncatedMarkup:
        return "input ends inside markup";
    }
    return "malformed";
}

std::string TBXMLProblem::describe() const {
    std::string text(nameOf(kind));
    text += " at byte " + std::to_string(offset);
    if (!element.empty())
        text += " (open element <" + element + ">)";
    return text;
}
