#include "translation/translated_texts.h"

TTranslatedTexts TranslatedTexts;

namespace {

#define NJ_TRANSLATED_TEXT_ENTRY(name, key, frenchDefault) \
    TTranslatedTextEntry{#name, key, frenchDefault, &TTranslatedTexts::name},

// (A plain array: deducing a std::array of this many entries goes past
// the template depth some compilers allow.)
constexpr TTranslatedTextEntry kEntries[] = {
    NJ_TRANSLATED_TEXTS(NJ_TRANSLATED_TEXT_ENTRY)
#define NJ_PROGRAM_TEXT_ENTRY(name, frenchDefault) \
    TTranslatedTextEntry{#name, #name, frenchDefault, &TTranslatedTexts::name},
    NJ_PROGRAM_TEXTS(NJ_PROGRAM_TEXT_ENTRY)
    NJ_PLATFORM_TEXTS(NJ_PROGRAM_TEXT_ENTRY)
#undef NJ_PROGRAM_TEXT_ENTRY
};

#undef NJ_TRANSLATED_TEXT_ENTRY

#define NJ_COUNT_SHARED_TEXT(name, key, frenchDefault) +1
constexpr std::size_t kSharedTexts = 0 NJ_TRANSLATED_TEXTS(NJ_COUNT_SHARED_TEXT);
#undef NJ_COUNT_SHARED_TEXT

} // namespace

namespace Translation {

std::span<const TTranslatedTextEntry> TextEntries()
{
    return kEntries;
}

std::span<const TTranslatedTextEntry> OwnTextEntries()
{
    return std::span<const TTranslatedTextEntry>(kEntries).subspan(kSharedTexts);
}

const TTranslatedTextEntry* FindText(QStringView key)
{
    for (const TTranslatedTextEntry& e : kEntries) {
        if (key.compare(QLatin1StringView(e.key), Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QString* TextByKey(QStringView key)
{
    const TTranslatedTextEntry* e = FindText(key);
    return e ? &(TranslatedTexts.*e->text) : nullptr;
}

void HandDownPlatformTexts()
{
#define NJ_PLATFORM_TEXT_HAND_DOWN(name, frenchDefault) \
    platform::setText(platform::PlatformText::name, TranslatedTexts.name);
    NJ_PLATFORM_TEXTS(NJ_PLATFORM_TEXT_HAND_DOWN)
#undef NJ_PLATFORM_TEXT_HAND_DOWN
}

void ResetTexts()
{
    ReadTexts([](const QString&, const QString& frenchDefault) { return frenchDefault; });
}

} // namespace Translation
