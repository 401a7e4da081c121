#include "capture/frm_play_control.h"

#include "app/settings/key_engine.h"
#include "app/ui/control_adapters.h"
#include "app/ui/window_stacking.h"
#include "capture/camera_slots.h"
#include "capture/file_sources.h"
#include "imaging/display_helpers.h"
#include "imaging/pipeline_state.h"
#include "imaging/result_render.h"
#include "tools/frm_tool_images.h"

#include <QToolButton>
#include <algorithm>

TFRM_PlayControl* FRM_PlayControl = nullptr;

TFRM_PlayControl::TFRM_PlayControl(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::Tool, true);
    KeyPreview = true;
    for (QToolButton* b : TransportButtons()) {
        connect(b, &QToolButton::toggled, this, [this, b](bool down) {
            if (!down)
                return;
            for (QToolButton* other : TransportButtons())
                if (other != b)
                    other->setChecked(false);
        });
    }
    app::bindScrollBarScroll(
        SCB_PlayControl, [this](int code, int& pos) { SCB_PlayControlScroll(code, pos); }, this);
    app::bindButtonClick(BTN_Ajouter, this, &TFRM_PlayControl::BTN_AjouterClick);
}

std::array<QToolButton*, 7> TFRM_PlayControl::TransportButtons() const
{
    return {SPDB_REW, SPDB_BACK1, SPDB_PlayBackwards, SPDB_Stop, SPDB_PlayForward, SPDB_Forw1, SPDB_FF};
}

void TFRM_PlayControl::Press(QToolButton* button)
{
    button->setChecked(true);
}

namespace {

bool playerKey(int key)
{
    switch (key) {
    case Qt::Key_Space: case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_Up: case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

} // namespace

void TFRM_PlayControl::FormKeyDown(int& key, Qt::KeyboardModifiers /*shift*/)
{
    if (playerKey(key))
        key = 0;
}

void TFRM_PlayControl::FormKeyUp(int& key, Qt::KeyboardModifiers /*shift*/)
{
    QToolButton* button = nullptr;
    switch (key) {
    case Qt::Key_Space: button = SPDB_Stop; break;
    case Qt::Key_Home: button = SPDB_REW; break;
    case Qt::Key_End: button = SPDB_FF; break;
    case Qt::Key_Left: button = SPDB_PlayBackwards; break;
    case Qt::Key_Right: button = SPDB_PlayForward; break;
    case Qt::Key_Up: button = SPDB_Forw1; break;
    case Qt::Key_Down: button = SPDB_BACK1; break;
    default: return;
    }
    Press(button);
    key = 0;
}

void TFRM_PlayControl::SCB_PlayControlScroll(int /*scrollCode*/, int& scrollPos)
{
    PlayPosition = std::clamp(scrollPos, 0, std::max(PlayCount - 1, 0));
    Press(SPDB_Stop);
}

void TFRM_PlayControl::BTN_AjouterClick()
{
    const std::uint8_t kind = Align_V::GetIntegrationKind();
    Align_V::RenderResult(kind, 1, 0, PermanentDisplay);
    // A frame added to the flat by hand makes a flat, as the end of a build
    // does.
    if (kind == 2 && FRM_Tool_Images && !FRM_Tool_Images->AdditionRuns())
        FRM_Tool_Images->FlatMade();
}

void TFRM_PlayControl::FormCloseQuery(bool& canClose)
{
    // While a file source plays the player stays: the program hides it when
    // the source ends (a camera started in its place).
    canClose = !PlayerActive;
}

void TFRM_PlayControl::showEvent(QShowEvent* event)
{
    // Told before the window system shows it; a tool window keeps it at
    // every showing.
    if (QWidget* main = Settings::FindWindow(QStringLiteral("FRM_Alv")); main && main->isVisible())
        app::SetStandsInFrontOf(*this, main);
    TForm::showEvent(event);
}
