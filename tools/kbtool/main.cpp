// kbtool: packs, unpacks and checks knowledge-base containers for maintainers.

#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLFile.h"
#include "knowledge/KBXMLFileGroup.h"
#include "knowledge/KnowledgeBaseData.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum ExitCode { kOk = 0, kBadInput = 1, kUsage = 2 };

// Knowledge bases are a few megabytes; anything far beyond that is not one.
constexpr std::size_t kMaxInputBytes = std::size_t(256) << 20;

const char* const kUsageText =
    "usage: kbtool pack [--force] <in.xml> <out.cer>\n"
    "       kbtool unpack [--force] <in.cer> <out.xml>\n"
    "       kbtool check <in.xml|in.cer>\n"
    "       kbtool --help\n"
    "\n"
    "pack    protects a knowledge-base document as a container\n"
    "unpack  restores the document from a container\n"
    "check   reads a document (or a container, by its .cer extension) and prints\n"
    "        what the helper would load from it\n"
    "\n"
    "An existing output file is only replaced with --force.\n"
    "Exit status: 0 success, 1 bad input or output, 2 wrong usage.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "kbtool: %s\n%s", message.c_str(), kUsageText);
    return kUsage;
}

int inputError(const std::string& message) {
    std::fprintf(stderr, "kbtool: %s\n", message.c_str());
    return kBadInput;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::optional<SecureBuffer> readInput(const std::string& path) {
    auto contents = platform::FileSystem::readFile(path, kMaxInputBytes);
    if (!contents)
        return std::nullopt;
    SecureBuffer buffer{std::string_view(*contents)};
    std::fill(contents->begin(), contents->end(), '\0');
    return buffer;
}

int writeOutput(const std::string& path, const SecureBuffer& bytes, bool force) {
    if (!force && platform::FileSystem::fileExists(path))
        return inputError(path + ": already exists (use --force to replace it)");
    if (!platform::FileSystem::writeFileAtomically(path, bytes.view()))
        return inputError(path + ": cannot be written");
    return kOk;
}

int pack(const std::string& in, const std::string& out, bool force) {
    auto document = readInput(in);
    if (!document)
        return inputError(in + ": cannot be read");
    // The helper would refuse a document past its limits; better to learn it here.
    if (auto opening = KnowledgeBaseData::openDocument(document->bytes()); !opening.document)
        return inputError(in + ": " + opening.refusal);
    auto container = DataCompressor::compressData(document->bytes());
    if (!container)
        return inputError(in + ": cannot be packed");
    return writeOutput(out, *container, force);
}

int unpack(const std::string& in, const std::string& out, bool force) {
    auto container = readInput(in);
    if (!container)
        return inputError(in + ": cannot be read");
    auto opening = DataDecompressor::openContainer(container->bytes());
    if (!opening.document)
        return inputError(in + ": cannot be opened: " + opening.failure);
    return writeOutput(out, *opening.document, force);
}

struct DocumentCounts {
    int domains{0};
    int records{0};
    int rules{0};
    int unrestorableIdentifiers{0};
    std::map<std::string, int> unknownGroupNames;
};

DocumentCounts countDocument(KBXMLDocument& document) {
    DocumentCounts counts;
    if (const auto* rules = document.rules())
        rules->iterateRules([&](const KBXMLRule&) { ++counts.rules; });
    if (const auto* domains = document.domains()) {
        domains->iterateDomains([&](const KBXMLDomain& domain) {
            if (!domain.domain()) {
                ++counts.unrestorableIdentifiers;
                return;
            }
            ++counts.domains;
            domain.iterateGroups([&](const KBXMLFileGroup& group) {
                if (!group.isSystem() && group.dependencyType() == -1) {
                    ++counts.unknownGroupNames[group.groupName().value_or("")];
                    return;
                }
                group.iterateFiles([&](const KBXMLFile& file) {
                    if (file.path())
                        ++counts.records;
                });
            });
        });
    }
    return counts;
}

int check(const std::string& in) {
    auto bytes = readInput(in);
    if (!bytes)
        return inputError(in + ": cannot be read");
    if (endsWith(in, ".cer")) {
        auto opening = DataDecompressor::openContainer(bytes->bytes());
        if (!opening.document)
            return inputError(in + ": cannot be opened: " + opening.failure);
        *bytes = std::move(*opening.document);
    }
    auto opening = KnowledgeBaseData::openDocument(bytes->bytes());
    if (!opening.document)
        return inputError(in + ": " + opening.refusal);
    auto& document = opening.document;
    DocumentCounts counts = countDocument(*document);
    std::printf("domains: %d\n", counts.domains);
    std::printf("records: %d\n", counts.records);
    std::printf("rules: %d\n", counts.rules);
    std::printf("unrestorable identifiers: %d\n", counts.unrestorableIdentifiers);
    int unknown = 0;
    for (const auto& [name, count] : counts.unknownGroupNames)
        unknown += count;
    std::printf("unknown group names: %d\n", unknown);
    for (const auto& [name, count] : counts.unknownGroupNames)
        std::printf("  \"%s\" x%d\n", name.c_str(), count);
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> operands;
    bool force = false;
    for (int index = 1; index < argc; ++index) {
        std::string_view argument = argv[index];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (argument == "--force")
            force = true;
        else if (argument.size() > 1 && argument.front() == '-')
            return usageError("unknown option " + std::string(argument));
        else
            operands.emplace_back(argument);
    }
    if (operands.empty())
        return usageError("no command given");
    const std::string command = operands.front();
    operands.erase(operands.begin());
    if (command == "pack" || command == "unpack") {
        if (operands.size() != 2)
            return usageError(command + " needs an input and an output file");
        return command == "pack" ? pack(operands[0], operands[1], force)
                                 : unpack(operands[0], operands[1], force);
    }
    if (command == "check") {
        if (operands.size() != 1 || force)
            return usageError("check needs exactly one input file and no --force");
        return check(operands[0]);
    }
    return usageError("unknown command " + command);
}
