#pragma once

#include <QDBusConnection>
#include <memory>
#include <string>
#include <vector>

class ApplicationService;

// One running instance per program and session. The first start of a program
// claims its bundle identifier on the session bus; a later start hands its file
// arguments to the first through Open (or, with no files, asks it to come
// forward through Activate) and should then exit.
class SingleInstance {
public:
    // Answers true when this process is the instance to keep running: it claimed
    // the name, or there is no session bus or the identifier cannot be a bus name
    // (so nobody else can be found). Answers
    // false when another process owns the name; `files` have then been handed to
    // it, or a line on the standard error says why not.
    static bool claimOrForward(const std::string& bundleIdentifier,
                               const std::vector<std::string>& files);

    // The same on a given connection.
    static bool claimOrForward(const QDBusConnection& connection,
                               const std::string& bundleIdentifier,
                               const std::vector<std::string>& files);

    // The service of the claimed name, for setting its handlers; null when nothing
    // was claimed.
    static std::shared_ptr<ApplicationService> service();

    // Claims the name again on `connection`, with the same handlers, after the bus
    // connection it was claimed on was lost. Answers false when nothing was claimed
    // or the name is taken; the lost claim is then kept, so that the next connection
    // may try again.
    static bool reclaim(const QDBusConnection& connection);

    // Gives the claimed name up (at the end of the program, or in tests).
    static void release();
};
