#pragma once
// The camera and autoguider plug-in manager. At the main window's first
// activation it loads every plug-in library "NJ_" + name + ".so" of the
// program's Plugins folder (nj_plugin.h), asks each for its capabilities and
// friendly name, enumerates its cameras and guiders, and sorts it into lists
// by capability:
//
//   Plugins        every library found, in folder (name) order; one that fails
//                  to load stays here, offering nothing
//   Cameras        camera records of the plug-ins with the camera bit, in
//                  folder order, each plug-in's cameras in enumeration order
//   GuidePlugins   plug-ins with the autoguider bit; Guiders their guider records
//
// A plug-in with a capability outside the manager's mask, or without the two
// device entry points, is unloaded at once and listed nowhere. A plug-in that
// lacks an entry point the program calls, or was built for another interface
// version, is refused with a message naming the entry point and offers
// nothing. The libraries are unloaded only after every slot has let go of
// its plug-in camera, and every list that points into a plug-in is cleared
// first.

#include "platform/plugin_library.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TPluginInfo;
class TPluginMgr;
struct TDriver;

// Base of the two entry-point tables: the owning plug-in and the kind.
struct TPluginModule {
    TPluginInfo* Owner = nullptr;
    std::uint8_t Kind = 0;   // 0 camera, 2 autoguider
};

struct TPluginCamera : TPluginModule {
    const platform::PluginCameraApi* Api = nullptr;
};

struct TPluginAutoguide : TPluginModule {
    const platform::PluginGuiderApi* Api = nullptr;
};

// One camera of a plug-in, as camera_enum listed it.
struct TCameraRecord {
    QString Name;
    std::int32_t Id = 0;
    TPluginCamera Camera;
};

// One guider of a plug-in, as autoguide_enum listed it: what the command
// layer needs to create and drive it.
struct TGuiderRecord {
    QString Name;
    std::int32_t Id = 0;
    TPluginAutoguide Guider;
};

class TPluginInfo {
public:
    TPluginInfo(const QString& fileName, TPluginMgr& owner);
    TPluginInfo(const TPluginInfo&) = delete;
    TPluginInfo& operator=(const TPluginInfo&) = delete;

    TPluginMgr* Owner;
    QString FriendlyName;
    QString FileName;
    std::uint16_t Capabilities = 0;
    std::vector<TCameraRecord> CameraRecords;
    std::vector<TGuiderRecord> GuiderRecords;

    bool Loaded() const { return library_.isLoaded(); }
    platform::PluginLibrary::Status Status() const { return library_.status(); }
    // Frees the library; the records are dropped with it.
    void Unload();

private:
    friend class TPluginMgr;
    // Loads and binds; false when the plug-in is to be dropped (not a
    // plug-in). A refused plug-in stays, unloaded.
    bool Load();

    platform::PluginLibrary library_;
    platform::PluginCameraApi cameraApi_;
    platform::PluginGuiderApi guiderApi_;
};

class TPluginMgr {
public:
    // Scans `folder` with `mask` (a missing folder lists nothing).
    TPluginMgr(QObject* owner, std::uint32_t mask, const QString& folder);
    ~TPluginMgr();
    TPluginMgr(const TPluginMgr&) = delete;
    TPluginMgr& operator=(const TPluginMgr&) = delete;

    std::vector<std::unique_ptr<TPluginInfo>> Plugins;
    std::vector<TCameraRecord*> Cameras;
    std::vector<TPluginInfo*> GuidePlugins;
    std::vector<TGuiderRecord*> Guiders;
    // Plug-ins with capability bit 2, 16, 8 and 32, in that order.
    std::array<std::vector<TPluginInfo*>, 4> OtherLists;
    QString Folder;   // without a trailing separator

    void ScanFolder(const QString& folder, std::uint32_t mask);
    // The plug-ins whose capabilities contain every bit of `mask`.
    std::vector<TPluginInfo*> FilterByCapability(std::uint32_t mask) const;
    // Appends one driver entry per camera of those plug-ins.
    void AddDriverEntries(std::uint32_t mask, std::vector<TDriver>& list) const;
    // Lets go of the plug-in cameras still open on a slot and of the
    // command layer's guider instance, clears every list and unloads every
    // library.
    void UnloadAll();

    // File names of the loaded plug-ins, in folder order.
    QStringList PluginFiles() const;
    QObject* Owner() const { return owner_; }
    std::uint32_t CapabilityMask() const { return mask_; }

private:
    QObject* owner_;
    std::uint32_t mask_;
};

// The manager created at the main window's first activation.
extern std::unique_ptr<TPluginMgr> PluginManager;

namespace Capture {
// The camera record open on the slot, or nullptr.
TCameraRecord* SlotPluginCamera(int slot);
// Lets the command layer find the guider chosen in the Preferences: list
// index i is guider record i of PluginManager->Guiders.
void InstallGuiderProvider();
} // namespace Capture
