#pragma once
// A message service that passes each box on to another service, except
// that while a box for one cause is open, a second box for the same cause
// is not opened: it answers MsgResult::None at once. Timers and frames keep
// running inside a modal box's event loop, so without this a value that is
// refused on every frame would stack one box per frame.

#include "platform/message_service.h"

#include <QSet>
#include <mutex>

namespace app {

class SameCauseGuard final : public platform::MessageService {
public:
    explicit SameCauseGuard(platform::MessageService& inner) : inner_(inner) {}

    platform::MsgResult show(const platform::Message& message) override;

    // True while a box for this cause is open.
    bool isShowing(const QString& causeKey) const;

private:
    platform::MessageService& inner_;
    mutable std::mutex mutex_;
    QSet<QString> open_;
};

} // namespace app
