#pragma once
// The remote-control server window (hidden): other programs of the same user
// send script statements, which run at once as lines of the current call
// level, and may read the item DDEServerItem. The conversation is a local
// socket (platform/remote_server.h); this window only runs what arrives.

#include "app/form.h"
#include "platform/remote_protocol.h"
#include "ui_frm_dde_server.h"

#include <functional>

namespace platform::remote {
class RemoteServer;
}

class TFRM_DDEServer : public TForm, public Ui::TFRM_DDEServer {
    Q_OBJECT
public:
    explicit TFRM_DDEServer(QWidget* parent = nullptr);
    ~TFRM_DDEServer() override;

    // The item's text, given to every client that asks for it.
    QString DDEServerItemText = QStringLiteral("toto");

    // Starts serving under the service of the program file (its name cut
    // before the first "."); says once in the message window why not.
    void StartServer();
    void StartServer(const QString& service);
    platform::remote::RemoteServer* Server() const { return server_; }

    // Each line, lowered whole, runs as a statement of the current level, in
    // order, until one is refused: as a script stops at its error, the lines
    // after it do not run. refused gets the error's text as soon as it is
    // known, before the box that shows it waits for the user. False when a
    // line was refused.
    bool DDELinkExecuteMacro(const QString& msg, const std::function<void(const QString&)>& refused = {});
    void DDELinkOpen() {}
    void DDELinkClose() {}

    // The answer to a request: the item's text, ACK once every line ran, or
    // NACK with the error's text, sent through answerNow as soon as a line
    // is refused.
    QByteArray Serve(const platform::remote::Request& request, const platform::remote::Answer& answerNow);

private:
    platform::remote::RemoteServer* server_ = nullptr;
};

extern TFRM_DDEServer* FRM_DDEServer;
