#include "shell/MessageFileFault.h"

std::string_view MessageFileFault::nameOf(Kind kind) {
    switch (kind) {
    case Kind::Missing:
        return "missing";
    case Kind::NotAFile:
        return "not a regular file";
    case Kind::TooLarge:
        return "too large";
    case Kind::Unreadable:
        return "unreadable";
    case Kind::NotUtf8:
        return "not UTF-8 text";
    case Kind::WrongHeader:
        return "not a message of this protocol";
    case Kind::Malformed:
        return "malformed";
    case Kind::NoItems:
        return "holds no usable item";
    case Kind::NotAnArchive:
        return "not a command archive";
    }
    return "unreadable";
}

std::string MessageFileFault::describe() const {
    std::string text(nameOf(kind));
    if (offset)
        text += " at byte " + std::to_string(*offset);
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}
