#include "platform/ini_document.h"
#include "support/temp_program_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using platform::IniDocument;
using testsupport::TempProgramDir;

namespace {

IniDocument fromBytes(const QByteArray& bytes)
{
    IniDocument ini;
    ini.setBytes(bytes);
    return ini;
}

} // namespace

TEST(IniDocument, EditsKeepPlacesLineEndsAndUnknownLines)
{
    const QByteArray original =
        "; settings\r\n"
        "[Prefs]\r\n"
        "Langue=0\r\n"
        "  Monture_Courante = C8 \r\n"
        "junk line\r\n"
        "\r\n"
        "[Empty]\r\n"
        "\r\n"
        "[Focus]\r\n"
        "Pas=5";                                     // truncated last line
    TempProgramDir dir;
    dir.writeFile("NightjarPro.ini", original);
    IniDocument ini(dir.filePath("NightjarPro.ini"));
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(dir.readFile("NightjarPro.ini"), original);   // untouched: same bytes

    EXPECT_EQ(ini.readString("prefs", "monture_courante", "x"), "C8");
    ini.writeString("Prefs", "Monture_Courante", "C8");    // same value: line kept as it was
    ini.writeString("PREFS", "Langue", "2");
    ini.writeString("Prefs", "New", "a=b");
    ini.writeInteger("Empty", "K", -7);
    ini.writeBool("Focus", "Auto", true);
    ini.writeFloat("Mesures", "Ech", 0.8);
    ini.writeString("Mesures", "Multi", "one\r\ntwo");
    ASSERT_TRUE(ini.save()) << ini.errorString().toStdString();
    EXPECT_EQ(dir.readFile("NightjarPro.ini"),
              "; settings\r\n"
              "[Prefs]\r\n"
              "Langue=2\r\n"
              "  Monture_Courante = C8 \r\n"
              "New=a=b\r\n"
              "junk line\r\n"
              "\r\n"
              "[Empty]\r\n"
              "K=-7\r\n"
              "\r\n"
              "[Focus]\r\n"
              "Pas=5\r\n"
              "Auto=1\r\n"
              "[Mesures]\r\n"
              "Ech=0.8\r\n"
              "Multi=one  two\r\n");
    EXPECT_EQ(ini.readString("Prefs", "New", ""), "a=b");

    ini.deleteKey("prefs", "LANGUE");
    ini.eraseSection("focus");
    EXPECT_EQ(ini.readSections(), QStringList({"Prefs", "Empty", "Mesures"}));
    EXPECT_EQ(ini.readSection("Prefs"), QStringList({"Monture_Courante", "New"}));
    EXPECT_FALSE(ini.valueExists("Prefs", "Langue"));

    // A new file: CP1252 with CR LF.
    IniDocument fresh(dir.filePath("new.ini"));
    fresh.writeString("Prefs", "Qualité", "Été");
    ASSERT_TRUE(fresh.save());
    EXPECT_EQ(dir.readFile("new.ini"), "[Prefs]\r\nQualit\xE9=\xC9t\xE9\r\n");
}

TEST(IniDocument, NamesIgnoreCaseAndTheFirstOccurrenceWins)
{
    // CP1252 bytes: "[Réglages]" and "Clé".
    IniDocument ini = fromBytes("[R\xE9glages]\nCl\xE9=1\ncl\xE9=2\n[Other]\nk=a\n[R\xC9GLAGES]\nCL\xC9=3\nz=4\n");
    EXPECT_EQ(ini.encoding(), platform::TextEncoding::Cp1252);
    EXPECT_EQ(ini.readInteger(QString::fromUtf8("RÉGLAGES"), QString::fromUtf8("CLÉ"), 0), 1);
    EXPECT_EQ(ini.readString(QString::fromUtf8("réglages"), "z", "none"), "none");   // only the first section is read
    EXPECT_EQ(ini.readSections(), QStringList({QString::fromUtf8("Réglages"), "Other"}));
    EXPECT_EQ(ini.readSection(QString::fromUtf8("réglages")), QStringList({QString::fromUtf8("Clé")}));
    EXPECT_TRUE(ini.sectionExists("other"));
    EXPECT_FALSE(ini.sectionExists("missing"));

    ini.writeString(QString::fromUtf8("RÉGLAGES"), "z", "5");   // into the first section
    EXPECT_EQ(ini.toBytes(), "[R\xE9glages]\nCl\xE9=1\ncl\xE9=2\nz=5\n[Other]\nk=a\n[R\xC9GLAGES]\nCL\xC9=3\nz=4\n");
    ini.eraseSection(QString::fromUtf8("réglages"));            // every copy goes
    EXPECT_EQ(ini.toBytes(), "[Other]\nk=a\n");
}

TEST(IniDocument, EncodingsAndOddFilesSurviveLoadAndSave)
{
    const QByteArray bom = "\xEF\xBB\xBF[Lang]\r\nMsg=\xC3\xA9t\xC3\xA9\r\n";
    IniDocument utf8 = fromBytes(bom);
    EXPECT_TRUE(utf8.hasBom());
    EXPECT_EQ(utf8.readString("lang", "msg", ""), QString::fromUtf8("été"));
    utf8.writeString("Lang", "Msg", QString::fromUtf8("Ω°"));
    EXPECT_EQ(utf8.toBytes(), "\xEF\xBB\xBF[Lang]\r\nMsg=\xCE\xA9\xC2\xB0\r\n");

    // Without a mark the file is CP1252, even when its bytes form UTF-8.
    IniDocument noBom = fromBytes("[A]\nk=\xC3\xA9\n");
    EXPECT_EQ(noBom.encoding(), platform::TextEncoding::Cp1252);
    EXPECT_EQ(noBom.readString("A", "k", ""), QString::fromUtf8("Ã©"));
    noBom.writeString("A", "n", QString::fromUtf8("°"));
    EXPECT_EQ(noBom.toBytes(), "[A]\nk=\xC3\xA9\nn=\xB0\n");
    // A letter CP1252 lacks: the whole file becomes UTF-8 with a mark, never "?".
    noBom.writeString("A", "dir", QString::fromUtf8("/home/Łukasz"));
    EXPECT_EQ(noBom.toBytes(), "\xEF\xBB\xBF[A]\nk=\xC3\x83\xC2\xA9\nn=\xC2\xB0\ndir=/home/\xC5\x81ukasz\n");
    EXPECT_EQ(fromBytes(noBom.toBytes()).readString("A", "k", ""), QString::fromUtf8("Ã©"));

    // UTF-16 with its mark, both byte orders; CR alone ends a line.
    IniDocument le = fromBytes(QByteArray("\xFF\xFE[\0A\0]\0\r\0k\0=\0\x41\x01\r\0", 18));
    EXPECT_EQ(le.readString("A", "k", ""), QString::fromUtf8("Ł"));
    le.writeString("A", "m", "1");
    EXPECT_EQ(le.toBytes(), QByteArray("\xFF\xFE[\0A\0]\0\r\0k\0=\0\x41\x01\r\0m\0=\0" "1\0\r\0", 26));
    EXPECT_EQ(fromBytes(QByteArray("\xFE\xFF\0[\0B\0]\0\n\0x\0=\0" "2", 16)).readInteger("B", "x", 0), 2);
    IniDocument cr = fromBytes("[A]\rk=1\r[B]\rk=2");
    EXPECT_EQ(cr.readInteger("B", "k", 0), 2);
    cr.writeString("A", "j", "3");
    EXPECT_EQ(cr.toBytes(), "[A]\rk=1\rj=3\r[B]\rk=2");

    // Mixed line ends, a 1 MB line, bytes that are not UTF-8, a truncated line.
    const QByteArray big(1 << 20, 'x');
    const QByteArray odd = "[A]\r\nbig=" + big + "\nc=\xE9\x80\r\n[B]\nlast=1";
    IniDocument ini = fromBytes(odd);
    EXPECT_EQ(ini.encoding(), platform::TextEncoding::Cp1252);
    EXPECT_EQ(ini.toBytes(), odd);
    EXPECT_EQ(ini.readString("A", "big", "").size(), big.size());
    EXPECT_EQ(ini.readString("A", "c", ""), QString::fromUtf8("é€"));
    EXPECT_EQ(ini.readInteger("B", "last", 0), 1);
    ini.writeString("B", "more", "2");   // the first line end read is the style
    EXPECT_EQ(ini.toBytes(), odd + "\r\nmore=2\r\n");
}

TEST(IniDocument, NumbersFollowTheOldToolkit)
{
    IniDocument ini = fromBytes("[N]\na=-42\nb=$FF\nc=0x10\nd=-$10\ne=12a\nf=\ng=4294967296\n"
                                "h=$FFFFFFFF\ni=2147483648\nj=+7\nk=1.5e3\nl=-.25\nm=1,5\nn=nan\n");
    EXPECT_EQ(ini.readInteger("N", "a", 0), -42);
    EXPECT_EQ(ini.readInteger("N", "b", 0), 255);
    EXPECT_EQ(ini.readInteger("N", "c", 0), 16);
    EXPECT_EQ(ini.readInteger("N", "d", 0), -16);
    EXPECT_EQ(ini.readInteger("N", "e", 9), 9);
    EXPECT_EQ(ini.readInteger("N", "f", 9), 9);
    EXPECT_EQ(ini.readInteger("N", "g", 9), 9);
    EXPECT_EQ(ini.readInteger("N", "h", 9), -1);
    EXPECT_EQ(ini.readInteger("N", "i", 9), 9);
    EXPECT_EQ(ini.readInteger("N", "j", 9), 7);
    EXPECT_TRUE(ini.readBool("N", "a", false));
    EXPECT_TRUE(ini.readBool("N", "e", true));
    EXPECT_FALSE(ini.readBool("N", "missing", false));
    EXPECT_DOUBLE_EQ(ini.readFloat("N", "k", 0), 1500.0);
    EXPECT_DOUBLE_EQ(ini.readFloat("N", "l", 0), -0.25);
    EXPECT_DOUBLE_EQ(ini.readFloat("N", "m", 9), 9.0);
    EXPECT_DOUBLE_EQ(ini.readFloat("N", "n", 9), 9.0);

    IniDocument out;
    for (double v : {0.8, 1e20, 1.5e-5, 1.0 / 3, -2.0, 1e14})
        out.writeFloat("F", QString::number(out.readSection("F").size()), v);
    EXPECT_EQ(out.toBytes(), "[F]\r\n0=0.8\r\n1=1E20\r\n2=1.5E-5\r\n3=0.333333333333333\r\n4=-2\r\n"
                             "5=100000000000000\r\n");
    // 15 digits would round beyond the largest double: the shortest exact text instead.
    out.writeFloat("G", "max", -1.7976931348623157e308);
    EXPECT_EQ(out.readFloat("G", "max", 0), -1.7976931348623157e308);
}

TEST(IniDocument, AFailedSaveLeavesTheOldFileAndSaysSo)
{
    TempProgramDir dir;
    const QByteArray old = "[A]\r\nk=1\r\n";
    dir.writeFile("s.ini", old);
    dir.writeFile("plain", "not a folder");
    IniDocument ini(dir.filePath("s.ini"));
    ini.writeString("A", "k", "2");
    EXPECT_FALSE(ini.saveAs(dir.filePath("plain/s.ini")));
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(ini.fileName(), dir.filePath("s.ini"));

    // The disk fills up while the new file is written.
    ini.writeString("A", "big", QString(1 << 16, u'x'));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = ini.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved_ok);
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(dir.readFile("s.ini"), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);   // no temporary file left

    // A file that exists but cannot be read is never overwritten.
    QDir().mkpath(dir.filePath("folder.ini"));
    IniDocument unreadable;
    EXPECT_FALSE(unreadable.load(dir.filePath("folder.ini")));
    unreadable.writeString("A", "k", "1");
    EXPECT_FALSE(unreadable.save());
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.ini")).isDir());
}
