#include "platform/dialog_service.h"
#include "platform/message_service.h"

#include <QThread>
#include <cstdio>

namespace platform {
namespace {

class StderrMessageService final : public MessageService {
public:
    MsgResult show(const Message& m) override
    {
        std::fprintf(stderr, "%s\n", m.text.toLocal8Bit().constData());
        switch (m.buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgResult::Yes;
        default:
            return MsgResult::Ok;
        }
    }
};

class CancellingDialogService final : public DialogService {
public:
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> chooseFolder(const QString&, const QString&) override { return std::nullopt; }
};

StderrMessageService g_fallbackMessages;
CancellingDialogService g_fallbackDialogs;
MessageService* g_messages = &g_fallbackMessages;
DialogService* g_dialogs = &g_fallbackDialogs;

} // namespace

MessageService& messages() { return *g_messages; }
void setMessageService(MessageService* s) { g_messages = s ? s : &g_fallbackMessages; }

ErrorBoxWatch::ErrorBoxWatch() : shown_(messages()), thread_(QThread::currentThread()) { setMessageService(this); }

ErrorBoxWatch::~ErrorBoxWatch() { setMessageService(&shown_); }

MsgResult ErrorBoxWatch::show(const Message& message)
{
    if (message.kind == MsgKind::Error && QThread::currentThread() == thread_ && !errorShown(message))
        return MsgResult::Ok;
    return shown_.show(message);
}
DialogService& dialogs() { return *g_dialogs; }
void setDialogService(DialogService* s) { g_dialogs = s ? s : &g_fallbackDialogs; }

} // namespace platform
