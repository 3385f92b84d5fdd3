#pragma once

#include "knowledge/KnowledgeRecord.h"
#include "knowledge/KnowledgeRecordArena.h"
#include "knowledge/KnowledgeRecordGroup.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// Makes the records a load may offer, each only when the path policy lets it name its path
// (KnowledgeBasePathPolicy::recordRefusal()).
//
// Checking and splitting each record's path was a third of building the model, and the
// records of a knowledge base lie in a few hundred folders: each folder is checked once, and
// copied into the arena once. A record in a folder that passed, and holds nothing shared,
// only needs its last component to be plain; any other record takes the whole check. The
// answer is the same either way.
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
        // Every plain name in it passes the policy.
        bool plain{false};
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
    // By the folder as written, with its last slash. Records come in runs of one folder,
    // so the last one is asked first.
    std::unordered_map<std::string, Folder, Hash, std::equal_to<>> m_folders;
    std::string_view m_lastWritten;
    const Folder* m_last{nullptr};
    std::string m_expanded;
};
