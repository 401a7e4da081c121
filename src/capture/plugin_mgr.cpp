#include "capture/plugin_mgr.h"

#include "app/frm_message.h"
#include "capture/camera_slots.h"
#include "capture/driver_list.h"
#include "capture/slot_sources.h"
#include "telescope/guide_plugin.h"
#include "telescope/prg_suivi.h"
#include "translation/translated_texts.h"

#include <QDir>
#include <QFileInfo>

std::unique_ptr<TPluginMgr> PluginManager;

namespace {

constexpr std::uint16_t kCapCamera = NJ_CAP_CAMERA;
constexpr std::uint16_t kCapGuider = NJ_CAP_AUTOGUIDER;
// The capability bits that only sort a plug-in into a list, in list order.
constexpr std::uint16_t kListBits[4] = {2, 16, 8, 32};

struct EnumTarget {
    std::vector<std::pair<std::int32_t, QString>> items;
};

void collect(void* user, std::int32_t id, const char* name)
{
    static_cast<EnumTarget*>(user)->items.emplace_back(id, name ? QString::fromUtf8(name) : QString());
}

void reportRefused(const TPluginInfo& p, const platform::PluginLibrary& lib)
{
    const QString file = QFileInfo(p.FileName).fileName();
    if (lib.missingEntryPoint().isEmpty())
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Plugin_Version_Refusee
                                        .arg(file)
                                        .arg(lib.abiVersion())
                                        .arg(NJ_PLUGIN_ABI_VERSION));
    else
        Msg::ShowMessageText(false, TranslatedTexts.MSG_Plugin_Point_Entree_Absent
                                        .arg(file, lib.missingEntryPoint()));
}

} // namespace

TPluginInfo::TPluginInfo(const QString& fileName, TPluginMgr& owner)
    : Owner(&owner), FileName(fileName), library_(fileName)
{
}

bool TPluginInfo::Load()
{
    using S = platform::PluginLibrary::Status;
    switch (library_.load()) {
    case S::LoadFailed:
        return true;   // kept, offering nothing
    case S::NotAPlugin:
        return false;
    case S::Refused:
        reportRefused(*this, library_);
        return true;
    default:
        break;
    }
    FriendlyName = library_.friendlyName();
    Capabilities = library_.capabilities();
    const QByteArray folder = Owner->Folder.toUtf8();

    if ((Capabilities & kCapCamera) && !library_.bindCamera(cameraApi_)) {
        reportRefused(*this, library_);
        Capabilities = 0;
        return true;
    }
    if ((Capabilities & kCapGuider) && !library_.bindGuider(guiderApi_)) {
        reportRefused(*this, library_);
        Capabilities = 0;
        return true;
    }
    if (Capabilities & kCapCamera) {
        EnumTarget cams;
        cameraApi_.camera_enum(folder.constData(), &collect, &cams);
        for (auto& [id, name] : cams.items)
            CameraRecords.push_back({name, id, TPluginCamera{{this, 0}, &cameraApi_}});
    }
    if (Capabilities & kCapGuider) {
        EnumTarget guiders;
        guiderApi_.autoguide_enum(folder.constData(), &collect, &guiders);
        for (auto& [id, name] : guiders.items)
            GuiderRecords.push_back({name, id, TPluginAutoguide{{this, 2}, &guiderApi_}});
    }
    return true;
}

void TPluginInfo::Unload()
{
    CameraRecords.clear();
    GuiderRecords.clear();
    cameraApi_ = {};
    guiderApi_ = {};
    library_.unload();
}

TPluginMgr::TPluginMgr(QObject* owner, std::uint32_t mask, const QString& folder) : owner_(owner), mask_(mask)
{
    ScanFolder(folder, mask);
}

TPluginMgr::~TPluginMgr()
{
    UnloadAll();
}

void TPluginMgr::ScanFolder(const QString& folder, std::uint32_t mask)
{
    Folder = QDir::cleanPath(folder);
    const QDir dir(Folder);
    if (!dir.exists())
        return;
    const QStringList files = dir.entryList({QStringLiteral("NJ_*.so")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& f : files) {
        auto info = std::make_unique<TPluginInfo>(dir.filePath(f), *this);
        if (!info->Load())
            continue;
        if (info->Loaded() && (info->Capabilities & ~mask) != 0) {
            // Capabilities the program does not handle: not kept at all.
            info->Unload();
            continue;
        }
        TPluginInfo* p = info.get();
        Plugins.push_back(std::move(info));
        if (p->Capabilities & kCapCamera)
            for (auto& c : p->CameraRecords)
                Cameras.push_back(&c);
        if (p->Capabilities & kCapGuider) {
            GuidePlugins.push_back(p);
            for (auto& g : p->GuiderRecords)
                Guiders.push_back(&g);
        }
        for (int i = 0; i < 4; ++i)
            if (p->Capabilities & kListBits[i])
                OtherLists[i].push_back(p);
    }
}

std::vector<TPluginInfo*> TPluginMgr::FilterByCapability(std::uint32_t mask) const
{
    std::vector<TPluginInfo*> out;
    for (const auto& p : Plugins)
        if (p->Loaded() && (p->Capabilities & mask) == mask)
            out.push_back(p.get());
    return out;
}

void TPluginMgr::AddDriverEntries(std::uint32_t mask, std::vector<TDriver>& list) const
{
    for (TPluginInfo* p : FilterByCapability(mask))
        for (const auto& c : p->CameraRecords)
            list.push_back({QStringLiteral("(PLUGIN):") + p->FriendlyName, 3, c.Name, p});
}

void TPluginMgr::UnloadAll()
{
    // This manager's tables, even while PluginManager already names another
    // one or nothing (a reset or a replacement runs this from the destructor).
    for (int slot = 1; slot <= 2; ++slot)
        Capture::ReleasePluginCamera(slot, this);
    Prg_Suivi::ReleaseGuidePlugin();
    Cameras.clear();
    GuidePlugins.clear();
    Guiders.clear();
    for (auto& l : OtherLists)
        l.clear();
    for (auto& p : Plugins)
        p->Unload();
    Plugins.clear();
}

QStringList TPluginMgr::PluginFiles() const
{
    QStringList out;
    for (const auto& p : Plugins)
        if (p->Loaded())
            out << QFileInfo(p->FileName).fileName();
    return out;
}

namespace Capture {

TCameraRecord* SlotPluginCamera(int slot)
{
    if (slot < 1 || slot > 2 || !PluginManager)
        return nullptr;
    const int i = CameraSlots[slot].pluginCamera;
    if (i < 0 || i >= static_cast<int>(PluginManager->Cameras.size()))
        return nullptr;
    return PluginManager->Cameras[i];
}

void InstallGuiderProvider()
{
    GuidePlugin::SetProvider([](int index) -> std::optional<TGuidePluginChoice> {
        if (!PluginManager || index < 0 || index >= static_cast<int>(PluginManager->Guiders.size()))
            return std::nullopt;
        const TGuiderRecord& g = *PluginManager->Guiders[index];
        return TGuidePluginChoice{g.Name, g.Id, g.Guider.Api};
    });
}

} // namespace Capture
