#include "app/MainAppCommands.h"
#include "app/MainQueueHost.h"
#include "app/UninstallWindow.h"
#include "platform/MainQueue.h"

#include <QApplication>
#include <QCoreApplication>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // Messages open the uninstall window when there is a screen; every other command
    // runs without one.
    const bool receives = !arguments.empty() && (arguments.front() == "listen" ||
                                                 arguments.front().ends_with(".trforsa"));
    std::unique_ptr<QCoreApplication> application;
    if (receives && UninstallWindow::isWanted())
        application = std::make_unique<QApplication>(argc, argv);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);
    std::unique_ptr<MainQueueHost> host = MainQueueHost::create(platform::MainQueue::shared());
    if (!host) {
        std::cerr << "Sweepwise: cannot drive the main queue\n";
        return MainAppCommands::kFailure;
    }
    return MainAppCommands::run(arguments, std::cout, std::cerr);
}
