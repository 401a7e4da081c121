#include "platform/dialog_service.h"
#include "platform/message_service.h"

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
DialogService& dialogs() { return *g_dialogs; }
void setDialogService(DialogService* s) { g_dialogs = s ? s : &g_fallbackDialogs; }

} // namespace platform
