#pragma once

#include "removal/Uninstaller.h"

#include <iosfwd>
#include <string>
#include <vector>

// `Sweepwise uninstall [--yes] [--json] MESSAGE.trforsa` and `Sweepwise restore [--json]`:
// finishing an uninstall without the window. Without --yes the message is only read (and
// stays), and what would move where is listed; with it, the chosen items move to the
// Trash, the message file is deleted, and the report is printed.
class MainAppUninstall {
public:
    // Besides MainAppCommands' codes: some items stayed where they were.
    static constexpr int kPartly = 5;

    static int uninstall(const std::vector<std::string>& options, std::ostream& out,
                         std::ostream& err);
    static int restore(const std::vector<std::string>& options, std::ostream& out,
                       std::ostream& err);

    // The report as text lines: "moved\t<path>\t<where in the Trash>\t<bytes>" (or
    // "back\t<path>" when putting back), "stayed\t<path>\t<why>", "passed\t<path>\t<why>",
    // then a summary line.
    static void printReport(const Uninstaller::Report& report, bool puttingBack, std::ostream& out);
    static std::string reportJson(const Uninstaller::Report& report, bool puttingBack);
};
