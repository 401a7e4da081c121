#include "platform/platform_texts.h"

#include <QMutex>
#include <QMutexLocker>

#include <array>
#include <iterator>

namespace platform {
namespace {

#define NJ_PLATFORM_TEXT_DEFAULT(name, frenchDefault) frenchDefault,
constexpr const char* kDefaults[] = {NJ_PLATFORM_TEXTS(NJ_PLATFORM_TEXT_DEFAULT)};
#undef NJ_PLATFORM_TEXT_DEFAULT

struct Store {
    QMutex lock;
    std::array<QString, std::size(kDefaults)> texts;
    Store()
    {
        for (std::size_t i = 0; i < std::size(kDefaults); ++i)
            texts[i] = QString::fromUtf8(kDefaults[i]);
    }
};

Store& store()
{
    static Store s;
    return s;
}

} // namespace

QString text(PlatformText id)
{
    Store& s = store();
    const QMutexLocker locker(&s.lock);
    return s.texts[std::size_t(id)];
}

void setText(PlatformText id, const QString& value)
{
    Store& s = store();
    const QMutexLocker locker(&s.lock);
    s.texts[std::size_t(id)] = value;
}

} // namespace platform
