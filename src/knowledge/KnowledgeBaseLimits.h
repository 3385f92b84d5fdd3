#pragma once

#include <cstddef>
#include <cstdint>

// How large a knowledge base may be. The password travels inside the container, so
// whoever can write the downloaded copy can make a valid one; these bounds keep what a
// small crafted container can make a search hold to a few hundred megabytes, while a
// real knowledge base stays far below every one of them (docs/container-format.md,
// "Limits", gives the measurements behind the numbers).
struct KnowledgeBaseLimits {
    static constexpr std::uint64_t kMiB = 1024 * 1024;

    // The XML document, unpacked.
    static constexpr std::uint64_t kMaxDocumentBytes = 32 * kMiB;
    // The encrypted stage: the inner archive of a document at the limit stored without
    // compression, encrypted, with room to spare.
    static constexpr std::uint64_t kMaxEncryptedStageBytes = kMaxDocumentBytes + kMiB;
    // The container file: the outer archive around an encrypted stage at its limit.
    static constexpr std::size_t kMaxContainerBytes = kMaxEncryptedStageBytes + kMiB;

    // Elements, and attributes, the XML reader builds for the document (each count on its
    // own).
    static constexpr std::size_t kMaxXMLRecords = 600'000;
    // File records (`f` elements of the domains).
    static constexpr std::size_t kMaxRecords = 500'000;
    // Top-level search rules: every search walks the folders of each one.
    static constexpr std::size_t kMaxRules = 10'000;
    // The JSON text of one custom domain definition, and of all together: a rule is a
    // line or two, and its parsed form takes many times its text.
    static constexpr std::size_t kMaxCustomDomainDefinitionBytes = 64 * 1024;
    static constexpr std::size_t kMaxCustomDomainBytes = 1024 * 1024;
};
