// The catalogue readers, the sky-data converter's lines and the converted
// catalogues.

#include "skydata_format.h"
#include "telescope/sky/catalogues.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <numbers>

using namespace Sky;

namespace {

// A fixed-column line: text placed at 1-based columns.
std::string columns(std::initializer_list<std::pair<int, std::string>> fields, std::size_t width = 0)
{
    std::string line(width, ' ');
    for (const auto& [at, text] : fields) {
        if (line.size() < at - 1 + text.size())
            line.resize(at - 1 + text.size(), ' ');
        line.replace(std::size_t(at - 1), text.size(), text);
    }
    return line;
}

std::string star(const std::string& name, const std::string& sao, const std::string& ra, const std::string& dec,
                 const std::string& mag)
{
    return columns({{1, "   1"}, {5, name}, {32, sao}, {76, ra}, {84, dec}, {103, mag}});
}

QByteArray bytes(const std::vector<std::string>& lines, const char* end = "\r\n")
{
    QByteArray b;
    for (const auto& l : lines)
        b += QByteArray::fromStdString(l) + end;
    return b;
}

} // namespace

TEST(SkyCatalogueTest, StarLinesKeepTheirNumbersAndBadLinesAreReportedOnce)
{
    std::vector<std::string> lines{
        star("  9Alp CMa", "151881", "064509.0", "-164258", "-1.46"),
        star("          ", "      ", "000000.0", "+000000", "     "),   // no star on this line
        star("          ", " 12345", "010203.5", "-003000", " 5.00"),
        star("          ", " 12346", "01x203.5", "+003000", " 5.00"),   // text in a number column
        star("          ", " 12347", "020000.0", "+100000", " 6.00") + std::string(300, 'x'),
        "   7",                                                             // absent number, short line
    };
    QByteArray file = bytes(lines);
    file.replace(file.lastIndexOf("\r\n"), 2, "\n");   // LF-only last line
    std::vector<StarRecord> table;
    const LoadReport report = ReadStars(file, table);

    ASSERT_EQ(table.size(), 6u);
    EXPECT_TRUE(table[0].filled);
    EXPECT_EQ(table[0].nameText(), "  9Alp CMa");
    EXPECT_EQ(table[0].saoText(), "151881");
    EXPECT_DOUBLE_EQ(table[0].ra, 15.0 * (6 * 3600 + 45 * 60 + 9.0));
    EXPECT_DOUBLE_EQ(table[0].dec, -(16 * 3600 + 42 * 60 + 58.0));
    EXPECT_DOUBLE_EQ(table[0].magnitude, -1.46);
    EXPECT_FALSE(table[1].filled);
    EXPECT_DOUBLE_EQ(table[2].dec, -1800);   // minus zero degrees is south
    EXPECT_DOUBLE_EQ(table[2].ra, 15.0 * (3600 + 2 * 60 + 3.5));
    EXPECT_FALSE(table[3].filled);
    EXPECT_TRUE(table[4].filled);   // an over-long line is cut, not lost
    EXPECT_FALSE(table[5].filled);
    EXPECT_EQ(report.firstBadLine, 4);
    EXPECT_EQ(report.badLines, 1);
    EXPECT_EQ(report.message(QStringLiteral("Catalog.dat")),
              QStringLiteral("Catalog.dat : 1 ligne(s) illisible(s) ignorée(s), la première est la ligne 4"));

    // A file longer than the table fills it and says so.
    std::vector<std::string> many(kStarCapacity + 3, star("          ", "     1", "000000.0", "+000000", " 1.00"));
    const LoadReport full = ReadStars(bytes(many, "\n"), table);
    EXPECT_EQ(int(table.size()), kStarCapacity);
    EXPECT_TRUE(full.tooManyLines);
}

TEST(SkyCatalogueTest, DeepSkyLinesTakeTheirDefaultsAndUnits)
{
    auto object = [](const std::string& ra_h, const std::string& ra_m, const std::string& dec_d,
                     const std::string& dec_m, const std::string& mag, const std::string& s1, const std::string& u1,
                     const std::string& s2, const std::string& pa) {
        return columns({{2, "NGC 224"}, {21, "M 31"}, {42, "GALXY"}, {56, ra_h}, {59, ra_m}, {66, dec_d},
                        {70, dec_m}, {75, mag}, {102, s1}, {108, u1}, {113, s2}, {123, pa}, {129, "Sb         "}});
    };
    std::vector<DeepSkyRecord> table;
    const LoadReport report = ReadDeepSky(bytes({
                                              object("00", "42.7", "+41", "16", " 4.4", " 30.00", "s", "      ", " 35"),
                                              object("05", "35.3", "-00", "30", "    ", "      ", " ", "      ", "abc"),
                                              object("05", "3x.3", "-05", "23", " 4.0", " 90.00", "m", " 60.00", "   "),
                                          }),
                                          table);
    ASSERT_EQ(table.size(), 2u);
    const DeepSkyRecord& m31 = table[0];
    EXPECT_EQ(m31.name, "NGC224");
    EXPECT_EQ(m31.otherName, "M31");
    EXPECT_EQ(m31.type, "galxy");
    EXPECT_NEAR(m31.ra, 15.0 * (42 * 60 + 42), 1e-9);
    EXPECT_DOUBLE_EQ(m31.dec, 41 * 3600 + 16 * 60);
    EXPECT_DOUBLE_EQ(m31.size1, 0.5);   // seconds of arc
    EXPECT_DOUBLE_EQ(m31.size2, 0.5);   // a blank second size copies the first
    EXPECT_EQ(m31.positionAngle, 35);
    EXPECT_EQ(m31.classText, "Sb         ");
    const DeepSkyRecord& blank = table[1];
    EXPECT_DOUBLE_EQ(blank.magnitude, 99);
    EXPECT_DOUBLE_EQ(blank.size1, 6.0);
    EXPECT_DOUBLE_EQ(blank.dec, -1800);
    EXPECT_EQ(blank.positionAngle, 0);
    EXPECT_EQ(report.firstBadLine, 3);
}

TEST(SkyCatalogueTest, ConstellationSegmentsAreRadiansAndBadLinesAreLeftOut)
{
    std::vector<ConstellationSegment> table;
    const LoadReport report
        = ReadConstellationLines(bytes({"Andromeda,140,2909,656,3086", "Andromeda,140,2909", "Ara,1,x,3,4"}), table);
    ASSERT_EQ(table.size(), 1u);
    constexpr double deg = std::numbers::pi / 180;
    EXPECT_NEAR(table[0].ra1, 0.140 * 15 * deg, 1e-12);
    EXPECT_NEAR(table[0].dec1, 29.09 * deg, 1e-12);
    EXPECT_NEAR(table[0].ra2, 0.656 * 15 * deg, 1e-12);
    EXPECT_NEAR(table[0].dec2, 30.86 * deg, 1e-12);
    EXPECT_EQ(report.badLines, 2);
    EXPECT_EQ(report.firstBadLine, 2);
}

TEST(SkyCatalogueTest, ConverterLinesReadBackAsTheSourceValues)
{
    using namespace skydata;
    EXPECT_EQ(StarRAText(23.999999), "000000.0");   // rounded once, with the carry
    EXPECT_EQ(StarRAText(6.7525), "064509.0");
    EXPECT_EQ(StarDecText(-0.5), "-003000");
    EXPECT_EQ(StarDecText(-16.7161), "-164258");
    EXPECT_EQ(IdentifierWithoutZeros("NGC0224"), "NGC 224");
    EXPECT_EQ(IdentifierWithoutZeros("IC4715"), "IC 4715");

    const auto sirius = ParseBrightStarLine(R"(-16.7161  6.7525 -1.46 "  9Alp CMa" 2491  48915 151881)");
    ASSERT_TRUE(sirius);
    const auto read = ParseStarLine(StarLine(2491, &*sirius));
    ASSERT_TRUE(read && read->filled);
    EXPECT_EQ(read->saoText(), "151881");
    EXPECT_EQ(read->nameText(), "  9Alp CMa");
    EXPECT_DOUBLE_EQ(read->magnitude, -1.46);
    EXPECT_DOUBLE_EQ(read->dec, -(16 * 3600 + 42 * 60 + 58.0));
    EXPECT_FALSE(ParseStarLine(StarLine(92, nullptr))->filled);

    DeepSkyObject m42;
    m42.type = 5;
    m42.ra_deg = 83.8186666666666;
    m42.dec_deg = -5.38966666666667;
    m42.magnitude = 4.0;
    m42.name = "M 42";
    m42.catalogIdentifier = "NGC1976";
    m42.majorAxis = 90;
    m42.minorAxis = 60;
    m42.positionAngle = std::numeric_limits<double>::quiet_NaN();
    const auto object = ParseDeepSkyLine(DeepSkyLine(m42));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->name, "NGC1976");
    EXPECT_EQ(object->otherName, "M42");
    EXPECT_EQ(object->type, "nb");
    EXPECT_DOUBLE_EQ(object->ra, 301770);
    EXPECT_DOUBLE_EQ(object->dec, -19380);
    EXPECT_DOUBLE_EQ(object->size1, 90);
    EXPECT_DOUBLE_EQ(object->size2, 60);

    DeepSkyObject galaxy = m42;
    galaxy.type = 8;
    galaxy.name = "NGC 23";
    galaxy.longName = "PGC 698, UGC 89 NOTES, UGC 89, MCG 4-1-48";
    galaxy.magnitude = std::numeric_limits<double>::quiet_NaN();
    const auto g = ParseDeepSkyLine(DeepSkyLine(galaxy));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->otherName, "UGC89");   // the first plain UGC number
    EXPECT_DOUBLE_EQ(g->magnitude, 99);
    galaxy.type = 255;
    EXPECT_TRUE(DeepSkyLine(galaxy).empty());

    std::map<int, BrightStar> byHd{{358, {29.0906, 0.1398, 2.06, "", 15, 358, 73765}},
                                    {3627, {30.8610, 0.6555, 3.27, "", 165, 3627, 54058}}};
    std::vector<int> missing;
    const auto segments
        = skydata::ConstellationLines("C Western\n# Andromeda\nM 358\nD 3627\nD 99\nC Chinese\nM 358\nD 3627\n", byHd, missing);
    EXPECT_EQ(segments, std::vector<std::string>{"Andromeda,140,2909,656,3086"});
    EXPECT_EQ(missing, std::vector<int>{99});
}

TEST(SkyCatalogueTest, TheConverterNamesTheSetUpWhenItsSourcesAreMissing)
{
    QTemporaryDir out, empty;
    QProcess p;
    p.start(QStringLiteral(NJ_SKYDATA_CONVERTER), {out.path(), empty.path()});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("xplanet"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("scripts/install-deps.sh"))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("Catalog.dat"))));
}

TEST(SkyCatalogueTest, TheConvertedCataloguesHoldTheWholeSky)
{
    const QDir dir(QStringLiteral(NJ_SKYDATA_DIR));
    if (!dir.exists(QStringLiteral("Catalog.dat")))
        GTEST_SKIP() << "no converted catalogues (scripts/install-deps.sh fetches their sources)";
    auto read = [&](const char* name) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    std::vector<StarRecord> stars;
    std::vector<DeepSkyRecord> deepSky;
    std::vector<ConstellationSegment> lines;
    EXPECT_EQ(ReadStars(read("Catalog.dat"), stars).badLines, 0);
    EXPECT_EQ(ReadDeepSky(read("SAC72.dat"), deepSky).badLines, 0);
    EXPECT_EQ(ReadConstellationLines(read("Conlines.dat"), lines).badLines, 0);
    EXPECT_EQ(stars.size(), 9110u);
    EXPECT_EQ(std::count_if(stars.begin(), stars.end(), [](const StarRecord& s) { return !s.filled; }), 14);
    EXPECT_EQ(deepSky.size(), 12874u);
    EXPECT_EQ(lines.size(), 659u);
    const auto m42 = std::find_if(deepSky.begin(), deepSky.end(), [](const DeepSkyRecord& d) { return d.otherName == "M42"; });
    ASSERT_NE(m42, deepSky.end());
    EXPECT_DOUBLE_EQ(m42->ra, 301770);
    EXPECT_DOUBLE_EQ(m42->dec, -19380);
    EXPECT_EQ(m42->type, "nb");
    EXPECT_DOUBLE_EQ(m42->size1, 90);
    EXPECT_DOUBLE_EQ(m42->size2, 60);
}
