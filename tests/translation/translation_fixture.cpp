#include "translation_fixture.h"

#include "app/frm_pref.h"
#include "capture/plugin_mgr.h"
#include "platform/paths.h"
#include "scripting/scripts.h"
#include "support/program/fresh_process.h"
#include "translation/language.h"

void TranslationWindows::SetUp()
{
    testsupport::StartAsAFreshProcess();
    platform::setPortAccess(&ports);
    Startup::CreateWindows();
    LanguageFilePath.clear();
}

void TranslationWindows::TearDown()
{
    Startup::DestroyWindows();
    PluginManager.reset();
    Scripts::StopAll();
    platform::setPortAccess(nullptr);
    LanguageFilePath.clear();
    ::FontCharset = 0;
}

void TranslationWindows::useLanguage(const QString& name, const QByteArray& body)
{
    dir.writeFile(QStringLiteral("Lang_") + name + QStringLiteral(".ini"), "[" + name.toLatin1() + "]\r\n" + body);
    QComboBox* combo = FRM_Pref->CBX_Langue;
    if (combo->findText(name) < 0)
        combo->addItem(name);
    combo->setCurrentIndex(combo->findText(name));
    FRM_Pref->CBX_LangueChange();
}

void TranslationWindows::useNoLanguage()
{
    FRM_Pref->CBX_Langue->setCurrentIndex(-1);
    LanguageFilePath = platform::joinPath(platform::programDir(), QStringLiteral("Lang_.ini"));
    Settings::ApplyTranslation();
}
