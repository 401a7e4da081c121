#include "program_windows_fixture.h"

#include "app/about_box.h"
#include "app/desktop.h"
#include "app/frm_message.h"
#include "app/systeme.h"
#include "app/version_info.h"
#include "app/version_table.h"
#include "app/ui/widget_message_service.h"
#include "telescope/frm_raquette.h"
#include "tools/frm_info.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWindow>

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

// A window's Left and Top are its frame's corner; its frame is its client
// with the edges the window manager draws (here 1 pixel at the sides, a title
// bar of 20 and a bottom edge of 5). The whole frame, title bar first, comes
// inside the screen's free area.
TEST(Systeme, KeepFrameInsidePutsTheWholeFrameAndItsTitleBarOnScreen)
{
    const QMargins edges(1, 20, 1, 5);
    const QRect screen(0, 0, 800, 600);
    const auto frame = [&](QPoint corner, QSize client) { return QRect(corner, client.grownBy(edges)); };

    // The client put at the screen's corner leaves the title bar above the
    // screen: the frame comes to the corner, the client below its title bar.
    EXPECT_EQ(Systeme::KeepFrameInside(frame({-1, -20}, {514, 420}), screen), QPoint(0, 0));
    EXPECT_EQ(Systeme::KeepFrameInside(frame({0, 0}, {514, 420}), screen), QPoint(0, 0));
    // A place of a larger screen, or partly off this one: back along the far
    // edges, the frame's right and bottom edges on the screen's.
    EXPECT_EQ(Systeme::KeepFrameInside(frame({1700, 1100}, {514, 420}), screen), QPoint(800 - 516, 600 - 445));
    EXPECT_EQ(Systeme::KeepFrameInside(frame({740, 100}, {514, 420}), screen), QPoint(800 - 516, 100));
    EXPECT_EQ(Systeme::KeepFrameInside(frame({-150, -60}, {300, 200}), screen), QPoint(0, 0));
    // Where it is whole already it stays.
    EXPECT_EQ(Systeme::KeepFrameInside(frame({100, 80}, {300, 200}), screen), QPoint(100, 80));
    // Larger than the screen: it starts at the left and top edges, where the
    // title bar and the window menu are.
    EXPECT_EQ(Systeme::KeepFrameInside(frame({300, 300}, {900, 700}), screen), QPoint(0, 0));
    // A panel at the top of the screen takes 30 pixels: the title bar comes
    // below it.
    EXPECT_EQ(Systeme::KeepFrameInside(frame({50, 0}, {300, 200}), QRect(0, 30, 800, 570)), QPoint(50, 30));
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
    // Its Width is its frame's: the frame ends a pixel inside the right edge.
    EXPECT_EQ(FRM_Info->pos(), QPoint(1024 - 1 - FRM_Info->frameGeometry().width(), 50));
}

// A window the user left partly off the screen (dragged over an edge, or
// put there on a larger screen) opens whole on it, title bar included.
TEST_F(ProgramWindows, AWindowLeftPartlyOffTheScreenOpensWholeOnIt)
{
    Systeme::SetScreenSizeProvider([] { return QSize(1024, 768); });
    const QRect screen(0, 0, 1024, 768);
    FRM_Alv->show();
    for (const QPoint left : {QPoint(900, 700), QPoint(-120, -15), QPoint(40, -3)}) {
        SCOPED_TRACE(testing::Message() << left.x() << "," << left.y());
        Systeme::PlaceWindow(FRM_Info, left);
        Systeme::ShowFormOnScreen(FRM_Info);
        EXPECT_TRUE(screen.contains(FRM_Info->frameGeometry()))
            << FRM_Info->frameGeometry().x() << "," << FRM_Info->frameGeometry().y();
        FRM_Info->hide();
    }
    // Where it is whole it opens where it was.
    Systeme::PlaceWindow(FRM_Info, QPoint(200, 100));
    Systeme::ShowFormOnScreen(FRM_Info);
    EXPECT_EQ(FRM_Info->pos(), QPoint(200, 100));
}

// The keypad's centre key, released in a dialog that waits for its answer,
// brings up the hand pad: behind the dialog, which keeps the keyboard. Made
// a window of the dialog, the hand pad would stand above it, out of its
// modality, and take the keys meant for it.
TEST_F(ProgramWindows, AWindowShownWhileADialogWaitsOpensBehindIt)
{
    asStarted();
    FRM_Alv->show();
    QDialog dialog;
    dialog.resize(240, 120);
    bool padShown = false, padOwnedByDialog = true, padKeptOnTop = true, dialogKeepsKeyboard = false;
    QTimer::singleShot(0, &dialog, [&] {
        (void)QTest::qWaitForWindowActive(&dialog);
        QTest::keyClick(&dialog, Qt::Key_Clear, Qt::KeypadModifier);
        // The window system's answers to what was asked come in.
        QTest::qWait(50);
        padShown = FRM_Raquette->isVisible();
        padOwnedByDialog = FRM_Raquette->windowHandle()
                           && FRM_Raquette->windowHandle()->transientParent() == dialog.windowHandle();
        padKeptOnTop = FRM_Raquette->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialogKeepsKeyboard = QApplication::activeModalWidget() == &dialog && QApplication::activeWindow() == &dialog;
        dialog.accept();
    });
    EXPECT_EQ(app::ExecInFront(dialog), QDialog::Accepted);
    EXPECT_TRUE(padShown);
    EXPECT_FALSE(padOwnedByDialog);
    EXPECT_FALSE(padKeptOnTop);
    EXPECT_TRUE(dialogKeepsKeyboard);
    FRM_Raquette->hide();
    Systeme::SetScreenSizeProvider({});
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
