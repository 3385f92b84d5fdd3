#pragma once

// Lets the crash tests stop an uninstall between its steps. With
// SWEEPWISE_UNINSTALL_KILL_AT set to "<step>:<n>", the process kills itself with SIGKILL
// the n-th time it reaches the step ("info-written", "renamed", "journaled"). Unset, it
// does nothing.
class UninstallFaultPoint {
public:
    static constexpr const char* kVariable = "SWEEPWISE_UNINSTALL_KILL_AT";

    static void reach(const char* step);
};
