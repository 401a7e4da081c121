// The main window's "Enregistrer" with a live camera: the frame shown in the
// source view is written where the user chose.

#include "camera_road_fixture.h"

#include "app/frm_alv.h"
#include "capture/camera_slots.h"
#include "support/fakes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>

TEST_F(CameraRoad, EnregistrerWritesTheSimulatedCamerasFrameAsJpeg)
{
    testsupport::RecordingDialogService dialogs;
    answerDriverDialog(0);
    FRM_Alv->MNU_Cam1_DemarrerClick();
    ASSERT_NE(GrabDevices[1], nullptr);
    FRM_Alv->Timer_Cam1Timer();
    FRM_Alv->PGC_Main->setCurrentWidget(FRM_Alv->TBS_Source1);

    const QString path = QDir::current().filePath(QStringLiteral("m42.jpg"));
    dialogs.saveAnswers = {path};
    FRM_Alv->MNU_Enregistrer->trigger();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == QByteArray("\xFF\xD8"));
    EXPECT_EQ(QImage(path).size(), QSize(FRM_Alv->Image1->Bitmap().width(), FRM_Alv->Image1->Bitmap().height()));
    EXPECT_EQ(QImage(path).size(), QSize(640, 480));
    FRM_Alv->SPDB_Cam1_StopClick();
}
