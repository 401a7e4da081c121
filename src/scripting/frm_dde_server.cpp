#include "scripting/frm_dde_server.h"

#include "app/frm_message.h"
#include "app/ui/event_boundary.h"
#include "platform/remote_server.h"
#include "platform/text_lines.h"
#include "scripting/scripts.h"
#include "translation/translated_texts.h"

#include <QCoreApplication>

TFRM_DDEServer* FRM_DDEServer = nullptr;

namespace remote = platform::remote;

TFRM_DDEServer::TFRM_DDEServer(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    server_ = new remote::RemoteServer(
        [this](const remote::Request& r, const remote::Answer& answerNow) { return Serve(r, answerNow); }, this);
    connect(server_, &remote::RemoteServer::connectionOpened, this, [this] { DDELinkOpen(); });
    connect(server_, &remote::RemoteServer::connectionClosed, this, [this] { DDELinkClose(); });
}

TFRM_DDEServer::~TFRM_DDEServer() = default;

void TFRM_DDEServer::StartServer()
{
    StartServer(remote::ServiceName(QCoreApplication::applicationFilePath()));
}

void TFRM_DDEServer::StartServer(const QString& service)
{
    if (server_->isListening())
        return;
    QString note;
    switch (server_->listen(service, &note)) {
    case remote::RemoteServer::Start::Listening: break;
    case remote::RemoteServer::Start::AnotherInstance:
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Controle_Distance_Autre + note);
        break;
    case remote::RemoteServer::Start::Refused:
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Controle_Distance_Desactive + note);
        break;
    }
}

bool TFRM_DDEServer::DDELinkExecuteMacro(const QString& msg, const std::function<void(const QString&)>& refused)
{
    // Lines are lower-cased whole, option words included; commands that open
    // a file find its name on disk without regard to letter case
    // (Scripts::ExistingPath).
    for (const QString& line : platform::SplitLines(msg)) {
        if (!Scripts::ExecuteMacroLine(line.toLower(), refused))
            return false;
    }
    return true;
}

QByteArray TFRM_DDEServer::Serve(const remote::Request& request, const remote::Answer& answerNow)
{
    if (request.kind == remote::Request::Kind::Request)
        return remote::DataReply(DDEServerItemText.toUtf8());
    QString why;
    const auto refused = [&](const QString& text) {
        why = text;
        answerNow(remote::NackReply(text));
    };
    bool ran = false;
    if (!app::runGuarded(QStringLiteral("DDELink.ExecuteMacro"),
                         [&] { ran = DDELinkExecuteMacro(request.macro, refused); }))
        return remote::NackReply(QStringLiteral("the statement failed, see the message window"));
    return ran ? remote::AckReply() : remote::NackReply(why);
}
