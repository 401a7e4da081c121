#include "platform/plugin_library.h"

namespace platform {

PluginLibrary::PluginLibrary(const QString& fileName) : library_(fileName) {}

PluginLibrary::~PluginLibrary()
{
    unload();
}

PluginLibrary::Status PluginLibrary::load()
{
    unload();
    missing_.clear();
    abiVersion_ = 0;
    if (!library_.load()) {
        status_ = Status::LoadFailed;
        return status_;
    }
    getCapabilities_ = reinterpret_cast<decltype(getCapabilities_)>(library_.resolve("device_getcapabilities"));
    getFriendlyName_ = reinterpret_cast<decltype(getFriendlyName_)>(library_.resolve("device_getfriendlyname"));
    if (!getCapabilities_ || !getFriendlyName_) {
        unload();
        status_ = Status::NotAPlugin;
        return status_;
    }
    status_ = Status::Ready;
    decltype(&::nj_plugin_abi_version) version = nullptr;
    if (!bind(version, "nj_plugin_abi_version", true))
        return status_;
    abiVersion_ = version();
    if (abiVersion_ != NJ_PLUGIN_ABI_VERSION)
        refuse({});
    return status_;
}

std::uint16_t PluginLibrary::capabilities() const
{
    return isLoaded() ? getCapabilities_() : 0;
}

QString PluginLibrary::friendlyName() const
{
    if (!isLoaded())
        return {};
    const char* name = getFriendlyName_();
    return name ? QString::fromUtf8(name) : QString();
}

template <class Fn>
bool PluginLibrary::bind(Fn& slot, const char* name, bool required)
{
    slot = reinterpret_cast<Fn>(library_.resolve(name));
    if (slot || !required)
        return true;
    refuse(QString::fromLatin1(name));
    return false;
}

void PluginLibrary::refuse(const QString& missing)
{
    missing_ = missing;
    unload();
    status_ = Status::Refused;
}

bool PluginLibrary::bindCamera(PluginCameraApi& api)
{
    api = {};
    if (!isLoaded())
        return false;
#define NJ_REQUIRED(n) bind(api.n, #n, true)
#define NJ_OPTIONAL(n) bind(api.n, #n, false)
    const bool ok = NJ_REQUIRED(camera_enum) && NJ_REQUIRED(camera_create) && NJ_REQUIRED(camera_connect)
                    && NJ_REQUIRED(camera_disconnect) && NJ_REQUIRED(camera_free)
                    && NJ_REQUIRED(camera_setvideostreamcallback) && NJ_REQUIRED(camera_setsnapshotcallback)
                    && NJ_REQUIRED(camera_init_video) && NJ_REQUIRED(camera_start_video)
                    && NJ_REQUIRED(camera_stop_video) && NJ_REQUIRED(camera_getmaxexposure)
                    && NJ_REQUIRED(camera_getproperty) && NJ_REQUIRED(camera_setproperty)
                    && NJ_REQUIRED(camera_startexposure) && NJ_REQUIRED(camera_getimage)
                    && NJ_REQUIRED(camera_readasbitmap);
    if (!ok) {
        api = {};
        return false;
    }
    NJ_OPTIONAL(camera_showpropertiesdialog);
    NJ_OPTIONAL(camera_showformatdialog);
    NJ_OPTIONAL(camera_getmodel);
    NJ_OPTIONAL(camera_getname);
    NJ_OPTIONAL(camera_getminexposure);
    NJ_OPTIONAL(camera_setsubframe);
    NJ_OPTIONAL(camera_moveframe);
    NJ_OPTIONAL(camera_gettemp);
    NJ_OPTIONAL(camera_isexposing);
    NJ_OPTIONAL(camera_iscolor);
    NJ_OPTIONAL(camera_stopexposure);
    NJ_OPTIONAL(camera_readimage);
    NJ_OPTIONAL(camera_startdownload);
    NJ_OPTIONAL(camera_enddownload);
    NJ_OPTIONAL(camera_bitsperpixel);
    return true;
}

bool PluginLibrary::bindGuider(PluginGuiderApi& api)
{
    api = {};
    if (!isLoaded())
        return false;
    const bool ok = NJ_REQUIRED(autoguide_enum) && NJ_REQUIRED(autoguide_create) && NJ_REQUIRED(autoguide_connect)
                    && NJ_REQUIRED(autoguide_disconnect) && NJ_REQUIRED(autoguide_free)
                    && NJ_REQUIRED(autoguide_move) && NJ_REQUIRED(autoguide_stop);
    if (!ok) {
        api = {};
        return false;
    }
    NJ_OPTIONAL(autoguide_sendpulseguide);
    NJ_OPTIONAL(autoguide_showpropertiesdialog);
    NJ_OPTIONAL(autoguide_showhandpad);
#undef NJ_REQUIRED
#undef NJ_OPTIONAL
    return true;
}

void PluginLibrary::unload()
{
    getCapabilities_ = nullptr;
    getFriendlyName_ = nullptr;
    if (library_.isLoaded())
        library_.unload();
    if (status_ == Status::Ready)
        status_ = Status::NotLoaded;
}

} // namespace platform
