#include "app/ui/same_cause_guard.h"

namespace app {

platform::MsgResult SameCauseGuard::show(const platform::Message& message)
{
    const QString key = message.causeKey();
    {
        std::lock_guard lock(mutex_);
        if (open_.contains(key))
            return platform::MsgResult::None;
        open_.insert(key);
    }
    // Released however the inner service returns, exceptions included.
    struct Release {
        SameCauseGuard* self;
        const QString& key;
        ~Release()
        {
            std::lock_guard lock(self->mutex_);
            self->open_.remove(key);
        }
    } release{this, key};
    return inner_.show(message);
}

bool SameCauseGuard::isShowing(const QString& causeKey) const
{
    std::lock_guard lock(mutex_);
    return open_.contains(causeKey);
}

} // namespace app
