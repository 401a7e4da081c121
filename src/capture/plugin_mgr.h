#pragma once
// The camera and autoguider plug-in manager: scans a folder for plug-in
// libraries ("NJ_" + name + ".so"), loads those that offer the entry point
// device_getcapabilities and keeps them until UnloadAll.

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

class QLibrary;

class TPluginMgr {
public:
    // Scans `folder`; a missing folder leaves the list empty.
    TPluginMgr(QObject* owner, std::uint32_t capabilityMask, const QString& folder);
    ~TPluginMgr();

    // Unloads every plug-in library.
    void UnloadAll();

    // File names of the loaded plug-ins, in folder order.
    QStringList PluginFiles() const;
    QObject* Owner() const { return owner_; }
    std::uint32_t CapabilityMask() const { return mask_; }

private:
    QObject* owner_;
    std::uint32_t mask_;
    std::vector<std::unique_ptr<QLibrary>> libraries_;
};

// The manager created at the main window's first activation.
extern std::unique_ptr<TPluginMgr> PluginManager;
