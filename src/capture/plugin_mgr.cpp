#include "capture/plugin_mgr.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

std::unique_ptr<TPluginMgr> PluginManager;

TPluginMgr::TPluginMgr(QObject* owner, std::uint32_t capabilityMask, const QString& folder)
    : owner_(owner), mask_(capabilityMask)
{
    const QDir dir(folder);
    if (!dir.exists())
        return;
    const QStringList files = dir.entryList({QStringLiteral("NJ_*.so")}, QDir::Files, QDir::Name);
    for (const QString& f : files) {
        auto lib = std::make_unique<QLibrary>(dir.filePath(f));
        if (!lib->load())
            continue;
        if (!lib->resolve("device_getcapabilities")) {
            lib->unload();
            continue;
        }
        libraries_.push_back(std::move(lib));
    }
}

TPluginMgr::~TPluginMgr() { UnloadAll(); }

void TPluginMgr::UnloadAll()
{
    for (auto& lib : libraries_)
        lib->unload();
    libraries_.clear();
}

QStringList TPluginMgr::PluginFiles() const
{
    QStringList out;
    for (const auto& lib : libraries_)
        out << QFileInfo(lib->fileName()).fileName();
    return out;
}
