// Shared main of every test program: Qt offscreen, a private runtime folder,
// and one QApplication created by a GoogleTest environment.

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

int g_argc = 1;
char g_arg0[] = "nightjarpro-tests";
char* g_argv[] = {g_arg0, nullptr};

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(g_argc, g_argv); }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir runtimeDir;
    runtimeDir.setAutoRemove(true);
    if (runtimeDir.isValid())
        setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);
    return RUN_ALL_TESTS();
}
