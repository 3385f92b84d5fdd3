#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// Splits text with tag markers into runs of plain text, each with the names of
// the tags open around it. The rules:
//
// - `<name>` opens and `</name>` closes a tag. A name starts with an ASCII letter
//   or "_" and goes on with letters, digits, "_", "-", "." and ":"; names are
//   compared exactly. An opening tag may carry attributes (`<a href="x">`), which
//   are ignored; quotes in them may hold ">" but not "<". `<name/>` is an empty
//   tag.
// - `<br>`, `<br/>` and `<br />` become a line break ("\n"); `</br>` is dropped.
// - A closing tag ends the innermost open tag of its name and every tag opened
//   inside it; one that matches no open tag is dropped. Tags still open at the
//   end of the text style everything after them.
// - A "<" that does not start a complete tag by these rules (a lone "<", "< b",
//   "<1>", "<>", a tag cut off by the end of the text or by another "<") is
//   ordinary text and shown as written.
// - "&lt;", "&gt;", "&amp;", "&quot;" and "&apos;" stand for their characters, so
//   text can hold markers that are not tags; any other "&" is ordinary text.
// - At most kMaxDepth tags are open at once; deeper ones lose their markers but
//   do not style their text.
//
// Markers never reach the result, and no input makes the parser fail.
class TagParser {
public:
    static constexpr std::size_t kMaxDepth = 64;

    struct Run {
        QString text;
        // The open tags, outermost first.
        std::vector<QString> tags;

        bool operator==(const Run&) const = default;
    };

    // The runs of `text` in order; neighbours differ in their tags, and no run is
    // empty.
    static std::vector<Run> parse(QStringView text);

    // `text` with "&", "<" and ">" written as entities, so that it parses back to
    // itself without tags.
    static QString escape(QStringView text);
};
