// Reference values of the LX200 texts and replies and of the guide-box
// bytes, texts and line patterns.

#include "telescope/guide_protocols.h"
#include "telescope/lx200_protocol.h"
#include "telescope/mount_state.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

constexpr double hms(double h, double m, double s) { return (h * 3600 + m * 60 + s) * 15; }
constexpr double dms(double d, double m, double s) { return d * 3600 + m * 60 + s; }

} // namespace

TEST(Lx200Protocol, CoordinateTextsRoundOnceAndCarry)
{
    const struct {
        double arcsec;
        const char* text;
    } ra[] = {
        {0, "00:00:00"},
        {hms(5, 30, 7.5), "05:30:07.5"},
        {hms(12, 34, 56.04), "12:34:56"},
        {hms(10, 59, 59.96), "11:00:00"},   // not 10:59:60.0
        {hms(23, 59, 59.97), "00:00:00"},
        {hms(-1, 0, 0), "23:00:00"},
    };
    for (const auto& r : ra)
        EXPECT_EQ(Lx200::RAText(r.arcsec), QByteArray(r.text)) << r.text;

    const struct {
        double arcsec;
        const char* text;
    } dec[] = {
        {dms(45, 30, 0), "+45:30:00"},   // north carries "+", never a blank,
        {-dms(0, 30, 0), "-00:30:00"},       // the sign on the degrees
        {-dms(45, 59, 59.6), "-46:00:00"},   // carried into the degrees
        {dms(89, 59, 59.5), "+90:00:00"},
        {-0.4, "+00:00:00"},                 // rounds to zero: not southern
        {0, "+00:00:00"},
    };
    for (const auto& d : dec)
        EXPECT_EQ(Lx200::DecText(d.arcsec), QByteArray(d.text)) << d.text;

    EXPECT_EQ(Lx200::SetRACommand(hms(5, 30, 7.5)), QByteArray(":Sr 05:30:07.5#"));
    EXPECT_EQ(Lx200::SetDecCommand(-dms(0, 30, 0)), QByteArray(":Sd -00:30:00#"));
    EXPECT_EQ(Lx200::SetDecCommand(dms(45, 30, 0)), QByteArray(":Sd +45:30:00#"));
}

TEST(Lx200Protocol, MovesStopsPulsesAndLineEndings)
{
    EXPECT_EQ(Lx200::MoveCommand(dirNorth), QByteArray(":Mn#"));
    EXPECT_EQ(Lx200::MoveCommand(dirWest), QByteArray(":Mw#"));
    EXPECT_EQ(Lx200::StopCommand(dirSouth), QByteArray(":Qs#"));
    EXPECT_EQ(Lx200::StopCommand(dirEast), QByteArray(":Qe#"));
    EXPECT_EQ(Lx200::PulseGuideCommand(dirNorth, 250), QByteArray(":Mgn0250#"));
    EXPECT_EQ(Lx200::PulseGuideCommand(dirNorth, 12000), QByteArray(":Mgn9999#"));
    EXPECT_EQ(Lx200::PulseGuideCommand(dirWest, 5), QByteArray(":Mgw0005#"));
    EXPECT_EQ(Lx200::SlewRateCommands[0], QByteArray(":RG#"));
    EXPECT_EQ(Lx200::SlewRateCommands[3], QByteArray(":RS#"));
    EXPECT_EQ(Lx200::FocuserSpeedCommand(true) + Lx200::FocuserDirectionCommand(0), QByteArray(":FF#:F-#"));
    EXPECT_EQ(Lx200::FocuserSpeedCommand(false) + Lx200::FocuserDirectionCommand(1), QByteArray(":FS#:F+#"));
    const QByteArray q = Lx200::WithLineEndings(Lx200::StopAllCommand, true, true);
    EXPECT_EQ(q, QByteArray(":Q#\r\n"));
    EXPECT_EQ(q.toHex().toUpper(), QByteArray("3A51230D0A"));
    EXPECT_EQ(Lx200::WithLineEndings(":Q#", false, true), QByteArray(":Q#\n"));
}

TEST(Lx200Protocol, RepliesGiveAPositionOnlyWhenWellFormed)
{
    const struct {
        const char* reply;
        std::optional<double> arcsec;
    } ra[] = {
        {"12:34.5#", 12 * 54000 + 34 * 900},
        {"12:34:56#", 12 * 54000 + 34 * 900},
        {"00:00.0#", 0},
        {"12:3", std::nullopt},                 // four characters: cut short
        {"12:34.5", std::nullopt},              // no "#"
        {"12:34.5#12:34.5#", std::nullopt},     // more than one answer
        {"1#12:34.5#", std::nullopt},
        {"ab:cd.e#", std::nullopt},
        {"25:00.0#", std::nullopt},
        {"12:34:ab#", std::nullopt},            // seconds checked too
        {"12:34:56x#", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& r : ra)
        EXPECT_EQ(Lx200::ParseRAReply(r.reply), r.arcsec) << r.reply;

    const struct {
        const char* reply;
        std::optional<double> arcsec;
    } dec[] = {
        {"+45*30#", 45 * 3600 + 30 * 60},
        {"-45*30#", -(45 * 3600 + 30 * 60)},
        {"-00*30#", -30 * 60},                  // southern although the degrees are 0
        {"45*30:15#", 45 * 3600 + 30 * 60},
        {"-45*30'15#", -(45 * 3600 + 30 * 60)}, // long precision
        {"+45*30'1a#", std::nullopt},
        {"+45\xDF" "30#", 45 * 3600 + 30 * 60},
        {"+4530#", std::nullopt},
        {"+95*00#", std::nullopt},
        {"+90*00#", 90 * 3600},
        {"+90*00:01#", std::nullopt},           // beyond the pole in all
        {"-90*01#", std::nullopt},
        {"+45*30:1a#", std::nullopt},
        {"+45*30:15x#", std::nullopt},          // characters after the seconds
        {"+45*30:60#", std::nullopt},
        {"+45*3#", std::nullopt},
        {"#", std::nullopt},
    };
    for (const auto& d : dec)
        EXPECT_EQ(Lx200::ParseDecReply(d.reply), d.arcsec) << d.reply;

    // Shown as the mount sent it, in either precision, without the "#".
    EXPECT_EQ(Lx200::ShownRA("12:34.5#"), QByteArray("12:34.5"));
    EXPECT_EQ(Lx200::ShownRA("12:34:56#"), QByteArray("12:34:56"));
    EXPECT_EQ(Lx200::ShownDec("+45*30#"), QByteArray("+45*30"));
    EXPECT_EQ(Lx200::ShownDec("-45*30:15#"), QByteArray("-45*30:15"));
    EXPECT_EQ(Lx200::ShownRA("12:34:56:78:90#"), QByteArray("12:34:56"));
    EXPECT_TRUE(Lx200::SlewEnded("      #"));
    EXPECT_TRUE(Lx200::SlewEnded("#"));
    EXPECT_TRUE(Lx200::SlewEnded(""));
    EXPECT_FALSE(Lx200::SlewEnded("||||||#"));
    EXPECT_FALSE(Lx200::SlewEnded("\x7F\x7F#"));
    EXPECT_FALSE(Lx200::SlewEnded("  |   #"));
}

TEST(Lx200Protocol, RepliesAreFramedByTheirCommand)
{
    using Lx200::ReplyKind;
    EXPECT_EQ(Lx200::ReplyKindOf(":GR#"), ReplyKind::Text);
    EXPECT_EQ(Lx200::ReplyKindOf(":D#"), ReplyKind::Text);
    EXPECT_EQ(Lx200::ReplyKindOf(":Sd +45:30:00#"), ReplyKind::Digit);
    EXPECT_EQ(Lx200::ReplyKindOf(":MS#"), ReplyKind::Slew);
    EXPECT_EQ(Lx200::ReplyKindOf(":Q#"), ReplyKind::None);
    EXPECT_EQ(Lx200::ReplyKindOf(":Mn#"), ReplyKind::None);

    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Text, "12:34"), 0);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Text, "12:34.5#+45"), 8);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Digit, ""), 0);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Digit, "10"), 1);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Slew, "0"), 1);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Slew, "1Below "), 0);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::Slew, "1Below horizon#"), 15);
    EXPECT_EQ(Lx200::FramedLength(ReplyKind::None, "abc#"), 0);

    EXPECT_TRUE(Lx200::ReplyAccepted(ReplyKind::Digit, "1"));
    EXPECT_FALSE(Lx200::ReplyAccepted(ReplyKind::Digit, "0"));
    EXPECT_FALSE(Lx200::ReplyAccepted(ReplyKind::Digit, "x"));
    EXPECT_TRUE(Lx200::ReplyAccepted(ReplyKind::Slew, "0"));
    EXPECT_FALSE(Lx200::ReplyAccepted(ReplyKind::Slew, "2Limits#"));
    EXPECT_EQ(Lx200::RefusalReason("1Below horizon#"), QByteArray("Below horizon"));
    EXPECT_EQ(Lx200::RefusalReason("2\x01#"), QByteArray());
}

TEST(GuideProtocol, MarrickBytesAndRelayTexts)
{
    using GuideProtocol::MarrickByte;
    EXPECT_EQ(MarrickByte(dirNorth, 10), 2) << "under one unit: the direction bits alone";
    EXPECT_EQ(MarrickByte(dirNorth, 160), 42);
    EXPECT_EQ(MarrickByte(dirWest, 2000), 63 * 4);
    EXPECT_EQ(MarrickByte(dirEast, 945), 63 * 4 + 1);
    EXPECT_EQ(MarrickByte(dirSouth, 66000), 63 * 4 + 3) << "clamped, not wrapped to 450 ms";
    EXPECT_EQ(MarrickByte(dirSouth, -20), 3);

    using GuideProtocol::KitsRusCommand;
    EXPECT_EQ(KitsRusCommand(true, 1, 0), QByteArray("F1"));
    EXPECT_EQ(KitsRusCommand(false, 1, 0), QByteArray("N1"));
    EXPECT_EQ(KitsRusCommand(true, 3, 1), QByteArray("N3"));
    EXPECT_EQ(KitsRusCommand(false, 3, 1), QByteArray("F3"));
}

TEST(GuideProtocol, LinesTakeTheirActiveLevelWhenAsserted)
{
    using namespace GuideProtocol;
    // Active high: set and clear, as always.
    EXPECT_EQ(AssertLine(0x00, 6, 1), 0x40);
    EXPECT_EQ(ReleaseLine(0xFF, 6, 1), 0xBF);
    // Active low: asserting drives the bit to 0, releasing back to 1.
    EXPECT_EQ(AssertLine(0xFF, 6, 0), 0xBF);
    EXPECT_EQ(ReleaseLine(0x00, 6, 0), 0x40);
    EXPECT_EQ(ReleaseLine(AssertLine(0x0F, 2, 0), 2, 0), 0x0F);
    // Control-register lines are inverted by the port.
    EXPECT_EQ(AssertControlLine(0x0B, 0, 1), 0x0A);
    EXPECT_EQ(ReleaseControlLine(0x0A, 0, 1), 0x0B);
    EXPECT_EQ(AssertControlLine(0x08, 1, 0), 0x0A);
}
