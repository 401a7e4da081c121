#pragma once
// One camera or autoguider plug-in library (nj_plugin.h): loading, the device
// entry points, and the binding of the camera and autoguider tables. Every
// entry point the program calls is checked when the table is bound, so a call
// through a bound table never meets a missing function.

#include "nj_plugin.h"

#include <QLibrary>
#include <QString>
#include <cstdint>

namespace platform {

struct PluginCameraApi {
    // Required.
    decltype(&::camera_enum) camera_enum = nullptr;
    decltype(&::camera_create) camera_create = nullptr;
    decltype(&::camera_connect) camera_connect = nullptr;
    decltype(&::camera_disconnect) camera_disconnect = nullptr;
    decltype(&::camera_free) camera_free = nullptr;
    decltype(&::camera_setvideostreamcallback) camera_setvideostreamcallback = nullptr;
    decltype(&::camera_setsnapshotcallback) camera_setsnapshotcallback = nullptr;
    decltype(&::camera_init_video) camera_init_video = nullptr;
    decltype(&::camera_start_video) camera_start_video = nullptr;
    decltype(&::camera_stop_video) camera_stop_video = nullptr;
    decltype(&::camera_getmaxexposure) camera_getmaxexposure = nullptr;
    decltype(&::camera_getproperty) camera_getproperty = nullptr;
    decltype(&::camera_setproperty) camera_setproperty = nullptr;
    decltype(&::camera_startexposure) camera_startexposure = nullptr;
    decltype(&::camera_getimage) camera_getimage = nullptr;
    decltype(&::camera_readasbitmap) camera_readasbitmap = nullptr;
    // Optional: null when the library does not export them.
    decltype(&::camera_showpropertiesdialog) camera_showpropertiesdialog = nullptr;
    decltype(&::camera_showformatdialog) camera_showformatdialog = nullptr;
    decltype(&::camera_getmodel) camera_getmodel = nullptr;
    decltype(&::camera_getname) camera_getname = nullptr;
    decltype(&::camera_getminexposure) camera_getminexposure = nullptr;
    decltype(&::camera_setsubframe) camera_setsubframe = nullptr;
    decltype(&::camera_moveframe) camera_moveframe = nullptr;
    decltype(&::camera_gettemp) camera_gettemp = nullptr;
    decltype(&::camera_isexposing) camera_isexposing = nullptr;
    decltype(&::camera_iscolor) camera_iscolor = nullptr;
    decltype(&::camera_stopexposure) camera_stopexposure = nullptr;
    decltype(&::camera_readimage) camera_readimage = nullptr;
    decltype(&::camera_startdownload) camera_startdownload = nullptr;
    decltype(&::camera_enddownload) camera_enddownload = nullptr;
    decltype(&::camera_bitsperpixel) camera_bitsperpixel = nullptr;
};

struct PluginGuiderApi {
    // Required.
    decltype(&::autoguide_enum) autoguide_enum = nullptr;
    decltype(&::autoguide_create) autoguide_create = nullptr;
    decltype(&::autoguide_connect) autoguide_connect = nullptr;
    decltype(&::autoguide_disconnect) autoguide_disconnect = nullptr;
    decltype(&::autoguide_free) autoguide_free = nullptr;
    decltype(&::autoguide_move) autoguide_move = nullptr;
    decltype(&::autoguide_stop) autoguide_stop = nullptr;
    // Optional.
    decltype(&::autoguide_sendpulseguide) autoguide_sendpulseguide = nullptr;
    decltype(&::autoguide_showpropertiesdialog) autoguide_showpropertiesdialog = nullptr;
    decltype(&::autoguide_showhandpad) autoguide_showhandpad = nullptr;
};

class PluginLibrary {
public:
    enum class Status {
        NotLoaded,       // load() not called, or unloaded
        LoadFailed,      // the file could not be loaded
        NotAPlugin,      // no device_getcapabilities / device_getfriendlyname: unloaded
        Refused,         // a required entry point is missing or the version differs: unloaded
        Ready,
    };

    explicit PluginLibrary(const QString& fileName);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Loads the library and checks the device entry points and the interface
    // version. On Refused, missingEntryPoint() names the entry point that is
    // missing, or is empty when the version differs (abiVersion()).
    Status load();
    Status status() const { return status_; }
    const QString& missingEntryPoint() const { return missing_; }
    std::uint32_t abiVersion() const { return abiVersion_; }
    QString fileName() const { return library_.fileName(); }
    bool isLoaded() const { return status_ == Status::Ready; }

    // Valid while Ready.
    std::uint16_t capabilities() const;
    QString friendlyName() const;

    // Binds the table; false (table cleared, library unloaded, status
    // Refused, missingEntryPoint() set) when a required one is missing.
    bool bindCamera(PluginCameraApi& api);
    bool bindGuider(PluginGuiderApi& api);

    // Frees the library. Every table bound from it becomes invalid.
    void unload();

private:
    template <class Fn>
    bool bind(Fn& slot, const char* name, bool required);
    void refuse(const QString& missing);

    QLibrary library_;
    Status status_ = Status::NotLoaded;
    QString missing_;
    std::uint32_t abiVersion_ = 0;
    decltype(&::device_getcapabilities) getCapabilities_ = nullptr;
    decltype(&::device_getfriendlyname) getFriendlyName_ = nullptr;
};

} // namespace platform
