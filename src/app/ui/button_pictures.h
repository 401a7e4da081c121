#pragma once
// The pictures of the program's glyph-only buttons, drawn here rather than
// read from files: stop (a red square), run (a green triangle), pause (two
// blue bars) and night mode (a red crescent). Their hints say what they do.

#include <QIcon>

namespace app {

enum class ButtonPicture { Stop, Run, Pause, Night };

QIcon PictureOf(ButtonPicture picture);

} // namespace app
