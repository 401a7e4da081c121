#pragma once
// Every message box of the program goes through this service: modal on
// screen (the widget implementation is installed by the program at start-up),
// recorded in tests. While a box for one cause is shown, a second request for
// the same cause is not shown and answers MsgResult::None.

#include <QString>

namespace platform {

enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { None, Ok, Cancel, Yes, No };

struct Message {
    QString text;
    MsgKind kind = MsgKind::Error;
    MsgButtons buttons = MsgButtons::Ok;
    // Boxes with the same cause are never shown twice at once; an empty
    // cause means the text itself.
    QString cause;
    QString title;

    QString causeKey() const { return cause.isEmpty() ? text : cause; }
};

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgResult show(const Message& message) = 0;
};

// The service in force; nullptr restores the fallback, which writes the text
// to standard error and answers the box's default (Ok, or Yes).
MessageService& messages();
void setMessageService(MessageService* service);

// For its lifetime, stands in front of the service in force: each error box
// shown on the thread that made it first goes to errorShown, which says
// whether it is still shown (true) or taken as answered with Ok (false);
// every other box goes straight on.
class ErrorBoxWatch : public MessageService {
public:
    ErrorBoxWatch();
    ~ErrorBoxWatch() override;
    ErrorBoxWatch(const ErrorBoxWatch&) = delete;
    ErrorBoxWatch& operator=(const ErrorBoxWatch&) = delete;

    MsgResult show(const Message& message) final;

protected:
    virtual bool errorShown(const Message& message) = 0;

private:
    MessageService& shown_;
    const void* const thread_;
};

// Shorthand for a modal error box with one OK button.
inline MsgResult showError(const QString& text)
{
    return messages().show({text, MsgKind::Error, MsgButtons::Ok, {}, {}});
}

} // namespace platform
