#include "support/ProcessTestSupport.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

// Widget tests need one QApplication for the whole process. It is made inside
// RUN_ALL_TESTS, after TestMain has set up the sandbox, so Qt's caches and
// settings land in the sandboxed home folder. Tests draw off screen unless the
// caller chose another platform.
class QtTestEnvironment : public testing::Environment {
public:
    void SetUp() override {
        // A laptop's screen rather than the offscreen platform's square default.
        const std::string screens =
            testing_support::Sandbox::process().makeFolder("qpa") + "/screens.json";
        testing_support::writeFile(
            screens, R"({"screens": [{"name": "primary", "x": 0, "y": 0, "width": 1280,)"
                     R"( "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96}]})");
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).c_str(), 0);
        const std::string runtime = testing_support::Sandbox::process().makeFolder("runtime");
        chmod(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
    }

    void TearDown() override { m_application.reset(); }

private:
    char m_name[16] = "ui_tests";
    char* m_argv[2] = {m_name, nullptr};
    int m_argc{1};
    std::unique_ptr<QApplication> m_application;
};

const testing::Environment* const kQtEnvironment =
    testing::AddGlobalTestEnvironment(new QtTestEnvironment);

} // namespace

// Qt is not built with ThreadSanitizer, so it cannot see the locks with which Qt's
// own worker threads (image conversion and scaling in painting) hand data back, and
// reports each hand-over as a race. Calls from Qt's libraries into the sanitizer's
// interceptors are ignored; our code, which shares data between threads only
// through the platform queues and standard mutexes, stays fully checked.
#if SWEEPWISE_TEST_UNDER_TSAN && !defined(SWEEPWISE_SUPPRESSIONS_FROM_APP)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
}
#endif
