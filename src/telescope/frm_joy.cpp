#include "telescope/frm_joy.h"

#include "platform/ini_document.h"
#include "platform/paths.h"

TfrmJoy* frmJoy = nullptr;

TfrmJoy::TfrmJoy(QWidget* parent) : TForm(parent)
{
    setupUi(this);
}

void TfrmJoy::LoadCalibration()
{
    const platform::IniDocument ini(platform::joinPath(Folder, QStringLiteral("Joystick.ini")));
    const QString section = QStringLiteral("Calibration");
    static const char* const axes[] = {"X", "Y", "Z", "R"};
    for (int i = 0; i < 4; ++i) {
        const QString a = QString::fromLatin1(axes[i]);
        auto& c = Calibration[i];
        c.centreMin = static_cast<std::uint16_t>(ini.readInteger(section, QStringLiteral("Cent") + a + QStringLiteral("Min"), 1));
        c.centreMax = static_cast<std::uint16_t>(ini.readInteger(section, QStringLiteral("Cent") + a + QStringLiteral("Max"), 2));
        c.maxValue = static_cast<std::uint16_t>(ini.readInteger(section, QStringLiteral("maxJoyVal") + a, 3));
    }
}
