#include "pipeline_fixture.h"

#include "app/controls/num_inp.h"
#include "imaging/pipeline_state.h"
#include "imaging/readout_refresh.h"
#include "tools/frm_tool_images.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollBar>

using pipeline::ReadoutRefresh;

namespace {

// Lets the event loop run until the refresh has nothing left to show (or
// its timer has stopped), with a generous guard.
template <typename Done>
void runEventsUntil(Done done)
{
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

// Outside the per-frame routine the read-outs are written at once. While
// frames stream the values are stored at once but the texts and scroll bars
// wait for the timer, which shows the newest figures by itself and then
// stops; an addition that reaches its frame limit shows its last count at
// once.
TEST_F(PipelineTest, ReadoutsFollowStreamingFramesAtAReadablePace)
{
    auto* t = FRM_Tool_Images;
    auto& refresh = ReadoutRefresh::instance();
    refresh.flush();

    refresh.setNumber(t->EDT_NBCaps, 12);
    refresh.setValue(t->TNI_Max, 345);
    refresh.setPosition(t->SCB_Maximum, 600);
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("12"));
    EXPECT_EQ(t->TNI_Max->text(), QStringLiteral("345"));
    EXPECT_EQ(t->SCB_Maximum->value(), 600);
    EXPECT_FALSE(refresh.pending());

    {
        const ReadoutRefresh::Stream stream;
        refresh.setNumber(t->EDT_NBCaps, 13);
        refresh.setValue(t->TNI_Max, 346);
        refresh.setPosition(t->SCB_Maximum, 700);
        EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("12"));
        EXPECT_EQ(t->TNI_Max->Value(), 346);
        EXPECT_EQ(t->TNI_Max->text(), QStringLiteral("345"));
        EXPECT_EQ(t->SCB_Maximum->value(), 600);
        EXPECT_EQ(refresh.position(t->SCB_Maximum), 700);
        refresh.setPosition(t->SCB_Maximum, t->SCB_Maximum->maximum() + 5);   // kept in range, as the bar would
        EXPECT_EQ(refresh.position(t->SCB_Maximum), t->SCB_Maximum->maximum());
        EXPECT_TRUE(refresh.pending());
        EXPECT_TRUE(refresh.timerActive());
    }
    runEventsUntil([&] { return !refresh.pending(); });
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("13"));
    EXPECT_EQ(t->TNI_Max->text(), QStringLiteral("346"));
    EXPECT_EQ(t->SCB_Maximum->value(), t->SCB_Maximum->maximum());
    runEventsUntil([&] { return !refresh.timerActive(); });
    EXPECT_FALSE(refresh.timerActive());

    // A bar moved by the user before the timer came keeps its place.
    {
        const ReadoutRefresh::Stream stream;
        refresh.setPosition(t->SCB_Minimum, 50);
    }
    t->SCB_Minimum->setValue(20);
    EXPECT_EQ(refresh.position(t->SCB_Minimum), 20);
    refresh.flush();
    EXPECT_EQ(t->SCB_Minimum->value(), 20);

    // Frames of a running addition limited to 3 frames: the count waits
    // during the run and its final value is there as soon as it stops.
    t->CKB_Integration->setChecked(true);
    t->BTN_Demarrer_Add->setEnabled(false);
    t->BTN_Arreter_Add->setEnabled(true);
    t->SPED_Nb_Bitmap->setValue(3);
    processFrame();
    processFrame();
    EXPECT_EQ(AdditionFrameCount[0], 2);
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("13"));
    EXPECT_GT(t->TNI_Max->Value(), 0);
    processFrame();
    EXPECT_TRUE(t->BTN_Demarrer_Add->isEnabled());
    EXPECT_EQ(t->EDT_NBCaps->text(), QStringLiteral("3"));
    EXPECT_EQ(t->EDT_Decompte->text(), QStringLiteral("3"));
    EXPECT_FALSE(refresh.pending());
}
