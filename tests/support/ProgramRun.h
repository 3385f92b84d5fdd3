#pragma once

#include "support/Sandbox.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace testing_support {

struct ProgramRun {
    int status{-1};
    std::string out;
    std::string err;
};

// Runs a program with the test's environment, and so inside its sandbox, and answers its
// exit status and what it wrote. A child that still runs after two minutes is killed,
// which leaves a status no test expects.
inline ProgramRun runProgram(const std::string& program,
                             const std::vector<std::string>& arguments) {
    auto quoted = [](const std::string& text) {
        std::string result = "'";
        for (char c : text)
            result += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return result + "'";
    };
    const std::string folder = Sandbox::process().makeFolder("run");
    std::string command = "timeout -s KILL 120 " + quoted(program);
    for (const std::string& argument : arguments)
        command += " " + quoted(argument);
    command += " >" + quoted(folder + "/out") + " 2>" + quoted(folder + "/err");
    const int raw = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFile(folder + "/out");
    run.err = readFile(folder + "/err");
    return run;
}

} // namespace testing_support
