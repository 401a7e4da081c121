#include "camera_control_probe.h"

#include <QFile>
#include <gtest/gtest.h>

void CameraControlProbe::open(const testsupport::TempProgramDir& dir)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(NJ_DSTESTENV), dir.filePath(QStringLiteral("libDStestenv.so"))));
    library_.setFileName(dir.filePath(QStringLiteral("libDStestenv.so")));
    ASSERT_TRUE(library_.load());
    calls_ = reinterpret_cast<const char* (*)()>(library_.resolve("DStestenv_Calls"));
    reset_ = reinterpret_cast<void (*)(int, int, int, int)>(library_.resolve("DStestenv_Reset"));
    ASSERT_TRUE(calls_ && reset_);
}
