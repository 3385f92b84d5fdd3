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
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
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
