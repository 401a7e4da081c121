// Starts the real program offscreen in a temporary program directory, lets
// its first activation finish and closes it through the normal close path.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Executable, StartsAndClosesCleanly)
{
    QTemporaryDir programDir;
    ASSERT_TRUE(programDir.isValid());
    QProcess p;
    p.setWorkingDirectory(programDir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("fr_FR.UTF-8"));
    env.insert(QStringLiteral("NIGHTJARPRO_CLOSE_AFTER_START"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(NJ_EXECUTABLE), {});
    ASSERT_TRUE(p.waitForStarted(10000));
    const bool finished = p.waitForFinished(60000);
    if (!finished)
        p.kill();
    ASSERT_TRUE(finished) << "the program did not close";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << p.readAllStandardError().constData();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    // The settings were saved on the way out, in the program directory.
    EXPECT_TRUE(QFile::exists(programDir.filePath(QStringLiteral("NightjarPro.ini"))));
}

// The main window's close ends the process with the player and other tool
// windows open and a modal dialog running, and the settings are written once.
TEST(Executable, ClosingTheMainWindowEndsTheProgramWhateverIsOpen)
{
    QTemporaryDir programDir;
    ASSERT_TRUE(programDir.isValid());
    QProcess p;
    p.setWorkingDirectory(programDir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("fr_FR.UTF-8"));
    env.insert(QStringLiteral("NIGHTJARPRO_CLOSE_AFTER_START"), QStringLiteral("1"));
    env.insert(QStringLiteral("NIGHTJARPRO_SHOW_BEFORE_CLOSE"),
               QStringLiteral("FRM_PlayControl,FRM_Tool_Images,FRM_Raquette,FRM_ObjectAction,FRM_Sky"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(NJ_EXECUTABLE), {});
    ASSERT_TRUE(p.waitForStarted(10000));
    const bool finished = p.waitForFinished(60000);
    if (!finished)
        p.kill();
    ASSERT_TRUE(finished) << "the program did not end";
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("step: SaveSettings")), 1) << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("step: Closed")), 1) << err.toStdString();
    EXPECT_TRUE(QFile::exists(programDir.filePath(QStringLiteral("NightjarPro.ini"))));
}
