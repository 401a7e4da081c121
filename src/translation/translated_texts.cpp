#include "translation/translated_texts.h"

TTranslatedTexts TranslatedTexts;
