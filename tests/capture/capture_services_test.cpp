#include "capture/plugin_mgr.h"
#include "support/temp_program_dir.h"

#include <gtest/gtest.h>

TEST(TPluginMgr, SkipsFilesThatAreNoPlugins)
{
    testsupport::TempProgramDir dir;
    TPluginMgr none(nullptr, 255, dir.filePath(QStringLiteral("Plugins")));
    EXPECT_TRUE(none.PluginFiles().isEmpty());
    dir.writeFile(QStringLiteral("Plugins/NJ_broken.so"), "not a library");
    dir.writeFile(QStringLiteral("Plugins/readme.txt"), "x");
    TPluginMgr some(nullptr, 255, dir.filePath(QStringLiteral("Plugins")));
    EXPECT_TRUE(some.PluginFiles().isEmpty());
}
