#pragma once
// The on-screen message and dialog services, installed once at start-up.

#include <QString>

#include "platform/message_service.h"

class QWidget;

namespace app {

// Shows each message as an application-modal QMessageBox: icon from the
// kind, buttons from the button set, title from the message or else the
// application's title. Called from another thread, the box is shown by the
// GUI thread and the caller waits for the answer.
class WidgetMessageService final : public platform::MessageService {
public:
    platform::MsgResult show(const platform::Message& message) override;
};

// Installs the on-screen message service (behind the same-cause guard) and
// the on-screen dialog service. Call once, after the QApplication exists.
// Boxes without a title of their own carry `applicationTitle`.
void installWidgetServices(const QString& applicationTitle = {});

} // namespace app
