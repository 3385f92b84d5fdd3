#include "app/MainAppCommands.h"
#include "app/MainQueueHost.h"
#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <iostream>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::unique_ptr<MainQueueHost> host = MainQueueHost::create(platform::MainQueue::shared());
    if (!host) {
        std::cerr << "Sweepwise: cannot drive the main queue\n";
        return MainAppCommands::kFailure;
    }
    return MainAppCommands::run(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                std::cerr);
}
