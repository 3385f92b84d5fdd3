// kbtool: packs, unpacks and checks knowledge-base containers for maintainers.

#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"
#include "knowledge/KBSourceAssembler.h"
#include "knowledge/KBSourceCheck.h"
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
    "usage: kbtool pack [--force] <in.xml> [<domains.xml>...] <out.cer>\n"
    "       kbtool assemble [--force] <in.xml> [<domains.xml>...] <out.xml>\n"
    "       kbtool unpack [--force] <in.cer> <out.xml>\n"
    "       kbtool check <in.xml|in.cer> [<domains.xml>...]\n"
    "       kbtool --help\n"
    "\n"
    "pack      protects a knowledge-base document as a container\n"
    "assemble  writes the document that pack would protect\n"
    "unpack    restores the document from a container\n"
    "check     reads a document (or a container, by its .cer extension) and prints\n"
    "          what the helper would load from it\n"
    "\n"
    "A document may come in several files: the first is the whole document (root\n"
    "<base>), each further one a file of domains (root <domains>, holding <d>\n"
    "elements), added to the first one's <domains> section in the order given.\n"
    "Records the helper might offer must lie in ~/Library (no absolute paths, no\n"
    "\"..\"), and rules must walk a folder there; pack, assemble and check refuse\n"
    "others, naming the file and the reason. They refuse malformed XML too,\n"
    "naming the byte where the fault is.\n"
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

// Prints every record or rule of one source that the helper would refuse.
bool reportRefusals(const std::string& name, KBXMLDocument& document) {
    const auto refusals = KBSourceCheck::refusals(document);
    for (const auto& refusal : refusals)
        std::fprintf(stderr, "kbtool: %s: %s: %s\n", name.c_str(), refusal.what.c_str(),
                     refusal.reason.c_str());
    return refusals.empty();
}

// Prints the first structural fault of the XML text `text`, if it has one. The helper
// reads such a document as far as it goes, which is not what its author meant.
bool reportMalformed(const std::string& name, std::string_view text) {
    auto reader = TBXML::newTBXMLWithXMLData(text);
    if (!reader || !reader->problem())
        return true;
    std::fprintf(stderr, "kbtool: %s: malformed XML: %s\n", name.c_str(),
                 reader->problem()->describe().c_str());
    return false;
}

// The document made of `inputs` (a whole document, then files of domains), or none
// after saying what is wrong with which file.
std::optional<SecureBuffer> assembleInputs(const std::vector<std::string>& inputs) {
    std::vector<SecureBuffer> texts;
    for (const std::string& in : inputs) {
        auto text = readInput(in);
        if (!text) {
            inputError(in + ": cannot be read");
            return std::nullopt;
        }
        texts.push_back(std::move(*text));
    }
    const auto view = [](const SecureBuffer& buffer) { return buffer.view(); };
    bool acceptable = true;
    std::vector<KBSourceAssembler::Source> domainFiles;
    for (std::size_t index = 1; index < inputs.size(); ++index)
        domainFiles.push_back({inputs[index], view(texts[index])});
    // Each file is checked by itself, so that a refusal names the file it is in, and an
    // offset is one in that file.
    for (std::size_t index = 0; index < inputs.size(); ++index) {
        if (!reportMalformed(inputs[index], view(texts[index]))) {
            acceptable = false;
            continue;
        }
        auto alone = index == 0 ? KBSourceAssembler::assemble({inputs[0], view(texts[0])}, {})
                                : KBSourceAssembler::assemble({"", "<base></base>"},
                                                              {domainFiles[index - 1]});
        if (!alone.document) {
            inputError(alone.error);
            return std::nullopt;
        }
        SecureBuffer bytes{std::string_view(*alone.document)};
        auto document = KBXMLDocument::create(bytes.bytes());
        if (!document) {
            inputError(inputs[index] + ": not a knowledge-base document (no <base> root element)");
            return std::nullopt;
        }
        acceptable = reportRefusals(inputs[index], *document) && acceptable;
    }
    if (!acceptable)
        return std::nullopt;
    auto whole = KBSourceAssembler::assemble({inputs[0], view(texts[0])}, domainFiles);
    if (!whole.document) {
        inputError(whole.error);
        return std::nullopt;
    }
    SecureBuffer assembled{std::string_view(*whole.document)};
    std::fill(whole.document->begin(), whole.document->end(), '\0');
    return assembled;
}

int pack(const std::vector<std::string>& inputs, const std::string& out, bool force) {
    auto document = assembleInputs(inputs);
    if (!document)
        return kBadInput;
    // The helper would refuse a document past its limits; better to learn it here.
    if (auto opening = KnowledgeBaseData::openDocument(document->bytes()); !opening.document)
        return inputError(inputs.front() + ": " + opening.refusal);
    auto container = DataCompressor::compressData(document->bytes());
    if (!container)
        return inputError(inputs.front() + ": cannot be packed");
    return writeOutput(out, *container, force);
}

int assemble(const std::vector<std::string>& inputs, const std::string& out, bool force) {
    auto document = assembleInputs(inputs);
    if (!document)
        return kBadInput;
    return writeOutput(out, *document, force);
}

// The document inside the container file `in`, or none after saying why.
std::optional<SecureBuffer> openContainerFile(const std::string& in) {
    auto container = readInput(in);
    if (!container) {
        inputError(in + ": cannot be read");
        return std::nullopt;
    }
    auto opening = DataDecompressor::openContainer(container->bytes());
    if (!opening.document) {
        inputError(in + ": cannot be opened: " + opening.failure);
        return std::nullopt;
    }
    return std::move(*opening.document);
}

int unpack(const std::string& in, const std::string& out, bool force) {
    auto document = openContainerFile(in);
    if (!document)
        return kBadInput;
    return writeOutput(out, *document, force);
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

int check(const std::vector<std::string>& inputs) {
    const std::string& in = inputs.front();
    std::optional<SecureBuffer> bytes;
    if (endsWith(in, ".cer")) {
        if (inputs.size() != 1)
            return inputError(in + ": a container cannot take further domain files");
        bytes = openContainerFile(in);
        if (!bytes)
            return kBadInput;
    } else {
        bytes = assembleInputs(inputs);
        if (!bytes)
            return kBadInput;
    }
    auto opening = KnowledgeBaseData::openDocument(bytes->bytes());
    if (!opening.document)
        return inputError(in + ": " + opening.refusal);
    auto& document = opening.document;
    if (opening.problem)
        return inputError(in + ": malformed XML: " + opening.problem->describe());
    if (endsWith(in, ".cer") && !reportRefusals(in, *document))
        return kBadInput;
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
    if (command == "pack" || command == "assemble") {
        if (operands.size() < 2)
            return usageError(command + " needs an input and an output file");
        const std::string out = operands.back();
        operands.pop_back();
        return command == "pack" ? pack(operands, out, force) : assemble(operands, out, force);
    }
    if (command == "unpack") {
        if (operands.size() != 2)
            return usageError(command + " needs an input and an output file");
        return unpack(operands[0], operands[1], force);
    }
    if (command == "check") {
        if (operands.empty() || force)
            return usageError("check needs an input file and no --force");
        return check(operands);
    }
    return usageError("unknown command " + command);
}
