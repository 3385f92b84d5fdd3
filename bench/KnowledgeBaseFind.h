#pragma once

// The anchor of the knowledge-base search: `find` walking the folders the rules of a
// knowledge base walk, to the same depths. Every rule becomes one walk of its folder;
// every place where a sub-rule starts (an entry of the right name at the right depth
// of its parent's walk, outside packages, as the search would meet it) becomes one
// walk too. Walks of equal depth share one `find` process.

#include "knowledge/KnowledgeBaseData.h"
#include "platform/FileSystem.h"
#include "search/SearchRule.h"

#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <optional>
#include <spawn.h>
#include <string>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench_support {

inline double cpuSeconds(const rusage& usage) {
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct FindRun {
    double cpuSeconds{0};
    long peakResidentBytes{0};
};

class FindPlan {
public:
    // The walks of the rules in `xml`; the home folder must be set already, since the
    // rules' paths are resolved against it.
    static FindPlan forKnowledgeBase(const std::string& xml) {
        SecureBuffer buffer{std::string_view(xml)};
        auto data = KnowledgeBaseData::createWithXMLData(buffer);
        FindPlan plan;
        for (const auto& rule : data->searchRules())
            plan.addRule(rule->path(), *rule);
        return plan;
    }

    // One more walk: `folder` to `deep` levels below it (-1: all), when it is a folder.
    void addWalk(const std::string& folder, std::int64_t deep) {
        struct stat status {};
        if (lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            m_byDepth[deep < 0 ? -1 : deep].push_back(folder);
    }

    std::size_t walks() const {
        std::size_t count = 0;
        for (const auto& [deep, paths] : m_byDepth)
            count += paths.size();
        return count;
    }
    std::size_t processes() const { return m_byDepth.size(); }

    // The argument lists of the `find` processes, one per depth.
    std::vector<std::vector<std::string>> commands() const {
        std::vector<std::vector<std::string>> commands;
        for (const auto& [deep, paths] : m_byDepth) {
            std::vector<std::string> arguments{"find"};
            arguments.insert(arguments.end(), paths.begin(), paths.end());
            if (deep >= 0) {
                arguments.push_back("-maxdepth");
                arguments.push_back(std::to_string(deep));
            }
            commands.push_back(std::move(arguments));
        }
        return commands;
    }

    // Runs every walk once; none when a `find` failed.
    std::optional<FindRun> run() const {
        FindRun total;
        for (auto& arguments : commands()) {
            auto one = runCommand(arguments);
            if (!one)
                return std::nullopt;
            total.cpuSeconds += one->cpuSeconds;
            total.peakResidentBytes = std::max(total.peakResidentBytes, one->peakResidentBytes);
        }
        return total;
    }

    // Runs one program with its output going to /dev/null. Its peak resident size is
    // the kernel's, which also counts what the process it was started from held.
    static std::optional<FindRun> runCommand(std::vector<std::string> arguments) {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        if (failed != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            return std::nullopt;
        return FindRun{cpuSeconds(usage), usage.ru_maxrss * 1024};
    }

private:
    void addRule(const std::string& path, const SearchRule& rule) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return;
        m_byDepth[rule.deep() < 0 ? -1 : rule.deep()].push_back(path);
        for (const auto& subRule : rule.subRules()) {
            if (rule.deep() >= 0 && subRule->fDeep() > rule.deep())
                continue;
            for (const std::string& start : entriesNamed(path, subRule->fName(), subRule->fDeep()))
                addRule(start, *subRule);
        }
    }

    // Entries `depth` levels below `folder` named `name` (ignoring case), without
    // entering packages or following links, as the rules' walks do.
    static std::vector<std::string> entriesNamed(const std::string& folder, const std::string& name,
                                                 std::int64_t depth) {
        std::vector<std::string> found;
        DIR* directory = opendir(folder.c_str());
        if (!directory)
            return found;
        while (dirent* entry = readdir(directory)) {
            std::string_view entryName = entry->d_name;
            if (entryName == "." || entryName == "..")
                continue;
            std::string path = folder + "/" + std::string(entryName);
            if (depth == 1) {
                if (strcasecmp(entry->d_name, name.c_str()) == 0)
                    found.push_back(path);
                continue;
            }
            auto dot = entryName.rfind('.');
            bool package = dot != std::string_view::npos &&
                           platform::FileSystem::isPackageExtension(entryName.substr(dot + 1));
            if (entry->d_type == DT_DIR && !package) {
                auto below = entriesNamed(path, name, depth - 1);
                found.insert(found.end(), below.begin(), below.end());
            }
        }
        closedir(directory);
        return found;
    }

    std::map<std::int64_t, std::vector<std::string>> m_byDepth;
};

} // namespace bench_support
