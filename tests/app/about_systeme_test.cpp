#include "program_windows_fixture.h"

#include "app/about_box.h"
#include "app/desktop.h"
#include "app/frm_message.h"
#include "app/systeme.h"
#include "app/version_info.h"
#include "app/version_table.h"
#include "tools/frm_info.h"

#include <QTest>

using VersionInfo::VersionResource;

TEST(VersionInfo, StringsInTableOrderAndTheCaptionByName)
{
    // The build's own strings: the caption carries the project version.
    EXPECT_EQ(VersionInfo::ReleaseCaptionSuffix(VersionInfo::ProgramVersionResource()),
              QStringLiteral(" (Release 2.3.0.364)"));

    const VersionResource full = {{"ProductVersion", "2.3"},   {"FileVersion", "2.3.0.364"},
                                  {"CompanyName", "Nightjar"}, {"FileDescription", "Nightjar Pro"},
                                  {"InternalName", "nj"},      {"LegalCopyRight", "(c)"},
                                  {"OriginalFileName", "nj"},  {"ProductName", "Nightjar Pro"}};
    QStringList list;
    VersionInfo::ReadVersionInfo(full, list);
    EXPECT_EQ(list, (QStringList{"Nightjar Pro", "Nightjar", "2.3.0.364", "nj", "(c)", "nj", "Nightjar Pro", "2.3"}));

    // Without a description and a company the later strings move up, but the
    // caption still finds the file version by its name.
    const VersionResource shifted = {{"FileVersion", "2.3.0.364"}, {"InternalName", "nj"}, {"ProductVersion", "2.3"}};
    list.clear();
    VersionInfo::ReadVersionInfo(shifted, list);
    EXPECT_EQ(list, (QStringList{"2.3.0.364", "nj", "2.3"}));
    EXPECT_EQ(VersionInfo::ReleaseCaptionSuffix(shifted), QStringLiteral(" (Release 2.3.0.364)"));
    EXPECT_EQ(VersionInfo::ReleaseCaptionSuffix({}), QStringLiteral(" (Release)"));
}

TEST_F(ProgramWindows, AboutBoxReadsTheAcknowledgementsAtEveryActivation)
{
    dir.writeFile(QStringLiteral("Acknowledgements.txt"), "Merci à tous\n");
    AboutBox->FormActivate();
    EXPECT_EQ(AboutBox->RCH_Acknowledgements->toPlainText(), QStringLiteral("Merci à tous\n"));
    dir.writeFile(QStringLiteral("Acknowledgements.txt"), "Thanks\n");
    AboutBox->FormActivate();
    EXPECT_EQ(AboutBox->RCH_Acknowledgements->toPlainText(), QStringLiteral("Thanks\n"));

    // The web page (from the field or the icon) and a mail to the author,
    // clicked as a user does; a link nothing opens is told.
    AboutBox->show();
    EXPECT_TRUE(AboutBox->EDT_Mail_Nightjar->isVisible());
    EXPECT_TRUE(AboutBox->Label8->isVisible());
    QStringList opened;
    bool opens = true;
    Desktop::SetDocumentOpener([&](const QString& p) { opened << p; return opens; });
    QTest::mouseClick(AboutBox->EDT_Web_Nightjar, Qt::LeftButton);
    QTest::mouseClick(AboutBox->IMG_Icon_Nightjar, Qt::LeftButton);
    QTest::mouseClick(AboutBox->EDT_Mail_Nightjar, Qt::LeftButton);
    EXPECT_EQ(opened, (QStringList{QString::fromUtf8(VersionInfo::kWebAddress), QString::fromUtf8(VersionInfo::kWebAddress),
                                   QStringLiteral("mailto:") + QString::fromUtf8(VersionInfo::kAuthorMail)}));
    EXPECT_TRUE(opened[0].startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(boxes.shown.empty());
    opens = false;
    QTest::mouseClick(AboutBox->EDT_Web_Nightjar, Qt::LeftButton);
    Desktop::SetDocumentOpener({});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QString::fromUtf8(VersionInfo::kWebAddress)));
    boxes.shown.clear();
    AboutBox->hide();

    // A missing file empties the box and is reported once, not at each of
    // the activations that the message box itself causes.
    QFile::remove(dir.filePath(QStringLiteral("Acknowledgements.txt")));
    AboutBox->show();
    AboutBox->FormActivate();
    AboutBox->FormActivate();
    EXPECT_TRUE(AboutBox->RCH_Acknowledgements->toPlainText().isEmpty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("Acknowledgements.txt")));
}

TEST(Systeme, PlaceInsideScreen)
{
    const QSize screen(1024, 768);
    EXPECT_EQ(Systeme::PlaceInsideScreen(QRect(5000, 100, 300, 200), screen), QPoint(723, 100));
    EXPECT_EQ(Systeme::PlaceInsideScreen(QRect(100, 5000, 300, 200), screen), QPoint(100, 567));
    EXPECT_EQ(Systeme::PlaceInsideScreen(QRect(-295, 100, 300, 200), screen), QPoint(0, 100));   // right edge at 4
    EXPECT_EQ(Systeme::PlaceInsideScreen(QRect(-200, 100, 300, 200), screen), QPoint(-200, 100)); // still reachable
    EXPECT_EQ(Systeme::PlaceInsideScreen(QRect(5000, 100, 2000, 200), screen), QPoint(0, 100));
}

TEST_F(ProgramWindows, ShowFormOnScreenRestoresMovesAndShows)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    FRM_Info->resize(300, 200);
    FRM_Info->move(5000, 50);
    FRM_Info->showMinimized();
    Systeme::ShowFormOnScreen(FRM_Info);
    Systeme::SetScreenSizeProvider({});
    EXPECT_TRUE(FRM_Info->isVisible());
    EXPECT_FALSE(FRM_Info->isMinimized());
    EXPECT_EQ(FRM_Info->pos(), QPoint(723, 50));
}

TEST_F(ProgramWindows, PortAccessOpensOnceAndClosedPortsWriteNothing)
{
    EXPECT_TRUE(Systeme::OpenPortDriver());
    EXPECT_TRUE(PortDriverOpen);
    Systeme::ClosePortDriver();
    EXPECT_FALSE(PortDriverOpen);
    EXPECT_FALSE(ports.isOpen());

    ports.failOpenWith({QStringLiteral("/dev/ttyS0 : accès refusé (groupe dialout)")});
    EXPECT_FALSE(Systeme::OpenPortDriver());
    EXPECT_TRUE(FRM_Message->MEMO_Message->toPlainText().contains(QStringLiteral("dialout")));
}
