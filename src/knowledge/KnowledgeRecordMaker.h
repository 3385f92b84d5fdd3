#pragma once

#include "knowledge/KnowledgeRecord.h"
#include "knowledge/KnowledgeRecordArena.h"
#include "knowledge/KnowledgeRecordGroup.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Makes the records a load may offer, each only when the path policy lets it name its path
// (KnowledgeBasePathPolicy::recordRefusal()).
//
// Checking and splitting each record's path was a third of building the model, and the
// records of a knowledge base lie in a few hundred folders: each folder is checked once, and
// copied into the arena once. A record in a folder that passed only needs its last
// component to be plain and not the name of one of the folder's shared items; any other
// record takes the whole check. The answer is the same either way.
class KnowledgeRecordMaker {
public:
    // `home` is the folder "~" stands for.
    KnowledgeRecordMaker(KnowledgeRecordArena& arena, std::string home);
    KnowledgeRecordMaker(const KnowledgeRecordMaker&) = delete;
    KnowledgeRecordMaker& operator=(const KnowledgeRecordMaker&) = delete;

    // A record of `group` for `written`, a path as the document writes it ("~/" for the
    // home folder); nullptr when the policy refuses it.
    KnowledgeRecord* offerable(const KnowledgeRecordGroup& group, std::string_view written,
                               std::int32_t dependencyType);

private:
    struct Folder {
        // Every plain name in it passes the policy, but those of its shared items.
        bool plain{false};
        std::vector<std::string_view> sharedNames;
        bool inHome{false};
        // The arena's copy, as KnowledgeRecord keeps it; set when plain.
        const char* interned{nullptr};
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    const Folder& folderOf(std::string_view written);
    Folder checked(std::string_view written);
    KnowledgeRecord* checkedWhole(const KnowledgeRecordGroup& group, std::string_view written,
                                  std::int32_t dependencyType);

    KnowledgeRecordArena& m_arena;
    const std::string m_home;
    using Folders = std::unordered_map<std::string, Folder, Hash, std::equal_to<>>;
    // By the folder as written, with its last slash.
    Folders m_folders;
    // The folders asked for lately, by a cheap sign of their text (its length and last
    // bytes): a knowledge base's records lie in a few hundred folders at most, and most
    // records find theirs here with one comparison, before any hashing of the whole text.
    std::array<const Folders::value_type*, 1024> m_recent{};
    std::string m_expanded;
};
