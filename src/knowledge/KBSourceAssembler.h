#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Joins the sources of a knowledge base into the one document the helper reads.
//
// The main source is a whole document (root `base`); every further source is a file of
// domains (root `domains`, holding only `d` elements), so that records can be kept in
// many small files, one per letter or kind. The domains of the further sources are
// added at the end of the main document's `domains` section, in the order given (a
// section is made when the main document has none). Text is copied as written:
// comments, CDATA and entities pass through unchanged.
class KBSourceAssembler {
public:
    struct Source {
        std::string name; // for messages: the file it came from
        std::string_view text;
    };
    struct Result {
        std::optional<std::string> document;
        std::string error; // "<source name>: <what is wrong>" when there is no document
    };

    static Result assemble(const Source& main, const std::vector<Source>& domainFiles);
};
