#include "platform/paths.h"
#include "support/temp_program_dir.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::joinPath;

TEST(Paths, JoinInsertsExactlyOneSeparatorAndKeepsRoots)
{
    struct Case { const char* dir; const char* name; const char* joined; };
    const Case cases[] = {
        {"/home/obs", "NightjarPro.ini", "/home/obs/NightjarPro.ini"},
        {"/home/obs/", "NightjarPro.ini", "/home/obs/NightjarPro.ini"},
        {"/home/obs", "\\Plugins", "/home/obs/Plugins"},
        {"/home/obs\\", "\\Plugins\\", "/home/obs/Plugins/"},
        {"/", "x", "/x"},
        {"/", "/x", "/x"},
        {"", "x", "x"},
        {"", "\\x", "x"},
        {"a", "", "a/"},
        {"ab", "x", "ab/x"},            // short folders get their separator too
        {"C:\\", "\\x", "C:/x"},
        {"C:\\dir", "\\x", "C:/dir/x"},
        {"Scripts", "Sub\\a.script", "Scripts/Sub/a.script"},
        {"a", "//x", "a/x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(joinPath(c.dir, c.name), QString(c.joined)) << c.dir << " + " << c.name;

    EXPECT_EQ(platform::fromStoredPath("\\drivers"), "/drivers");
    EXPECT_EQ(platform::fromStoredPath("Scripts\\a.script"), "Scripts/a.script");
}

TEST(Paths, ProgramDirIsTheCurrentDirectoryAndFilesAreFoundWhateverTheirCase)
{
    const QString before = platform::programDir();
    const QString cwdBefore = QDir::currentPath();
    {
        testsupport::TempProgramDir dir;
        EXPECT_EQ(platform::programDir(), dir.path());
        EXPECT_EQ(QDir::currentPath(), dir.path());
        platform::setProgramDir("/elsewhere/");
        EXPECT_EQ(platform::programDir(), "/elsewhere");
        platform::initProgramDirFromCurrentDir();
        EXPECT_EQ(platform::programDir(), dir.path());

        dir.writeFile("nite_Red.ini", "r");
        dir.writeFile("a.ini", "lower");
        dir.writeFile("A.ini", "upper");
        dir.writeFile("scripts/Sub/X.script", "s");

        EXPECT_EQ(platform::findFileNoCase(dir.path(), "Nite_red.ini"), dir.filePath("nite_Red.ini"));
        EXPECT_EQ(platform::findFileNoCase(dir.path(), "A.ini"), dir.filePath("A.ini"));
        EXPECT_EQ(platform::findFileNoCase(dir.path(), "a.ini"), dir.filePath("a.ini"));
        EXPECT_EQ(platform::findFileNoCase(dir.path(), "Scripts\\sub\\x.SCRIPT"),
                  dir.filePath("scripts/Sub/X.script"));
        EXPECT_EQ(platform::findFileNoCase(dir.path(), "Nite_Blue.ini"), QString());
        EXPECT_EQ(platform::findFileNoCase(dir.path(), ""), QString());

        // Relative stored paths resolve against the program directory; what
        // is missing stays as written after the part found.
        EXPECT_EQ(platform::resolveDataFile("NITE_RED.INI"), dir.filePath("nite_Red.ini"));
        EXPECT_EQ(platform::resolveDataFile("Scripts\\SUB\\new.script"), dir.filePath("scripts/Sub/new.script"));
        EXPECT_EQ(platform::resolveDataFile(dir.path() + "\\SCRIPTS"), dir.filePath("scripts"));
        EXPECT_EQ(platform::resolveDataFile("Bitmaps\\"), dir.filePath("Bitmaps/"));
    }
    EXPECT_EQ(platform::programDir(), before);
    EXPECT_EQ(QDir::currentPath(), cwdBefore);
}
