// The "Jouer un fichier son" actions of motion detection and of a lost
// guide star, and the focusing aid's prompts, played by the program's own
// sound service on a real sound server with a null output.

#include "pipeline_fixture.h"

#include "app/frm_pref.h"
#include "app/ui/event_boundary.h"
#include "imaging/focus_aids.h"
#include "imaging/frame_helpers.h"
#include "platform/audio_sound_service.h"
#include "support/null_sound_server.h"
#include "telescope/frm_prg_action.h"
#include "telescope/frm_prg_action_ls.h"
#include "translation/translated_texts.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

class SoundActions : public PipelineTest {
protected:
    void SetUp() override
    {
        PipelineTest::SetUp();
        // The program's service, telling its troubles through the event
        // boundary's reports as in the running program.
        output = std::make_unique<testsupport::RealSoundOutput>(sounds, [](const QString& t) { app::reportOnce(t); });
        server = output->server();
        if (!server)
            GTEST_SKIP() << "no sound server for this test: " << output->why().toStdString();
        service = &output->service();
    }
    void TearDown() override
    {
        output.reset();
        PipelineTest::TearDown();
    }
    // Ticks a "Jouer un fichier son" box without its click handler (which
    // unchecks it when the file is missing) and names the file.
    static void chooseSound(QAbstractButton* box, QLineEdit* edit, const QString& path)
    {
        edit->setText(path);
        const QSignalBlocker blocker(box);
        box->setChecked(true);
    }

    std::unique_ptr<testsupport::RealSoundOutput> output;
    testsupport::NullSoundServer* server = nullptr;
    platform::AudioSoundService* service = nullptr;
};

} // namespace

TEST_F(SoundActions, AMotionWhileTheSoundPlaysStartsNothingAndOneAfterItPlaysItAgain)
{
    const QString tone = dir.filePath(QStringLiteral("Sounds/alarme.wav"));
    dir.writeFile(QStringLiteral("Sounds/alarme.wav"), testsupport::toneWav(660, 900));
    TFRM_Prg_Action& a = *FRM_Prg_Action;
    chooseSound(a.CKB_Jouer_un_son, a.EDT_Son_a_jouer, tone);

    testsupport::OutputRecorder first(*server);
    ASSERT_TRUE(first.running());
    Align_V::RunMotionActions();
    ASSERT_TRUE(service->filePlaying(tone));
    // Frames keep moving while it plays (however long a busy machine takes
    // between two of them).
    int whilePlaying = 0;
    for (int i = 0; i < 10 && service->filePlaying(tone); ++i) {
        Align_V::RunMotionActions();
        ++whilePlaying;
        testsupport::spinFor(40);
    }
    EXPECT_GT(whilePlaying, 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service->playing(); }, 10000));
    const testsupport::Heard once = first.stop();
    ASSERT_TRUE(once.any);
    EXPECT_NEAR(once.length_ms, 900, 50) << "played once, from start to end";
    EXPECT_NEAR(once.frequency_hz, 660, 20);

    testsupport::OutputRecorder again(*server);
    Align_V::RunMotionActions();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service->playing(); }, 5000));
    EXPECT_NEAR(again.stop().length_ms, 900, 50);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}

TEST_F(SoundActions, ALostStarWithACorruptSoundFileSaysSoOnceAndPlaysItOnceMended)
{
    dir.writeFile(QStringLiteral("Sounds/perdue.wav"), QByteArray("RIFF\x24\x00\x00\x00WAVEfmt \x10", 17));
    TFRM_PRG_Action_LS& ls = *FRM_PRG_Action_LS;
    chooseSound(ls.CKB_Jouer_un_son, ls.EDT_Son_a_jouer, QStringLiteral("Sounds\\perdue.wav"));
    for (int i = 0; i < 5; ++i)
        Align_V::RunLostStarActions();
    EXPECT_FALSE(service->playing());
    ASSERT_EQ(reports.size(), 1) << reports.join('\n').toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("perdue.wav"))) << reports[0].toStdString();

    // Made whole, the same file plays on the next loss.
    dir.writeFile(QStringLiteral("Sounds/perdue.wav"), testsupport::toneWav(440, 300));
    testsupport::OutputRecorder rec(*server);
    Align_V::RunLostStarActions();
    EXPECT_TRUE(service->playing());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service->playing(); }, 5000));
    EXPECT_NEAR(rec.stop().length_ms, 300, 40);
}

TEST_F(SoundActions, TheFocusingAidSpeaksTheBuiltInPromptOfTheLanguageInForce)
{
    FocusTolerance = 0.01;
    FocusSensitivity = 0.01;
    // The English language file gives "OUI" the value "YES".
    struct Reset {
        ~Reset() { Translation::ResetTexts(); }
    } reset;
    TranslatedTexts.Txt_OUI = QStringLiteral("YES");
    testsupport::OutputRecorder rec(*server);
    ASSERT_TRUE(rec.running());
    Align_V::PlayFocusSound(true, 4, 2, 3, 3.5);   // better by more than the sensitivity
    EXPECT_EQ(service->current(), QStringLiteral(":/sounds/YES.wav"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !service->playing(); }, 5000));
    EXPECT_TRUE(rec.stop().any);
    Align_V::PlayFocusSound(true, 4, 2, 2, 3);   // at the best
    EXPECT_EQ(service->current(), QStringLiteral(":/sounds/TOP.wav"));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}
