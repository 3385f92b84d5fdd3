#include "removal/UninstallFaultPoint.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

void UninstallFaultPoint::reach(const char* step) {
    const char* setting = std::getenv(kVariable);
    if (!setting || !*setting)
        return;
    const std::string text = setting;
    const std::size_t colon = text.rfind(':');
    if (text.compare(0, colon, step) != 0)
        return;
    static std::atomic<long> reached{0};
    const long wanted = colon == std::string::npos ? 1 : std::atol(text.c_str() + colon + 1);
    if (++reached >= wanted)
        std::raise(SIGKILL);
}
