#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Why an item is offered for removal: where it was found (the application itself, a
// standard place, a knowledge-base rule or record) and what tied it to the
// application (its identifier, its executable name, a domain of the knowledge base).
// The safety pass decides on it, and the user and the main application see its text.
struct OfferReason {
    enum class Source { Unknown, Bundle, StandardPlace, Rule, Record, SettingsFolder };
    enum class Match { None, Identifier, Executable, Name, Domain };
    // How the matched text was found in the item's name.
    // Convention: the name holds the matched identifier or name in a form many
    // applications share (a component word or a version glued on, a vendor prefix, an
    // extension), which `convention` says.
    enum class Mode { Exact, Prefix, Substring, CaseInsensitive, Convention };

    Source source{Source::Unknown};
    // The standard place's row, 1 to 13; 0 for a place of another kind of application.
    int row{0};
    // A place of another kind of application: what it is ("desktop integration",
    // "settings"), with `folder` where it lies.
    std::string place;
    // The standard place's folder below the home folder, or the rule's folder.
    std::string folder;
    // The name test of the rule's filter that classified the item, when it has one.
    std::string filterName;
    std::string filterPrefix;
    std::string filterSuffix;
    // The knowledge base's domain that claimed the item (rule filter or record).
    std::string domain;

    Match match{Match::None};
    Mode mode{Mode::Exact};
    // The identifier or name that matched.
    std::string matched;
    // How the name holds it when the mode is Convention, for example "with the
    // component word Helper".
    std::string convention;
    // A knowledge record of the application lists this very path: the rule's own name
    // tests no longer decide about it.
    bool listed{false};

    static OfferReason bundle();
    static OfferReason standardPlace(int row, std::string folder, Match match, Mode mode,
                                     std::string matched);
    static OfferReason record(std::string domain);
    // A settings folder outside the Library ("~/.config/<name>", "~/.<name>").
    static OfferReason settingsFolder(std::string folder, Match match, std::string matched);
    // A place of another kind of application; `matched` is the name it was found by, or,
    // with Match::None, what tied it to the application ("original location /x").
    static OfferReason otherKindPlace(std::string place, std::string folder, Match match,
                                      std::string matched);

    // Whether the item was tied to the application by part of its name.
    bool matchesByPart() const { return mode == Mode::Prefix || mode == Mode::Substring; }

    // One line for people, for example
    // "standard place 3 (Library/Preferences): identifier com.example.foo".
    std::string text() const;
};

// The reasons of an item in the order they came, the first being its own, the others
// those of items inside it that it stands for.
std::string reasonsText(const std::vector<OfferReason>& reasons);
