// A plug-in for tests, built once per case with compile definitions:
//   FAKE_ID            number in the friendly name "Fake <id>" and camera names
//   FAKE_CAPS          capability word (default 1: camera)
//   FAKE_CAMERAS       number of cameras (default 1)
//   FAKE_ABI           interface version reported
//   FAKE_CONNECT       result of camera_connect (default 0)
//   FAKE_NO_DEVICE     no device entry points
//   FAKE_NO_CONNECT    no camera_connect
// Besides the interface it exports fake_deliver (hands one frame to a
// camera's video callback on the caller's thread) and fake_counts.

#include "nj_plugin.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#ifndef FAKE_ID
#define FAKE_ID 0
#endif
#ifndef FAKE_CAPS
#define FAKE_CAPS 1
#endif
#ifndef FAKE_CAMERAS
#define FAKE_CAMERAS 1
#endif
#ifndef FAKE_ABI
#define FAKE_ABI NJ_PLUGIN_ABI_VERSION
#endif
#ifndef FAKE_CONNECT
#define FAKE_CONNECT 0
#endif

namespace {

struct Camera {
    nj_frame_callback video = nullptr;
    void* user = nullptr;
    bool running = false;
};

std::mutex g_mutex;
std::map<int32_t, Camera> g_cameras;
// Callbacks outlive their cameras, so a test can play a late callback.
std::map<int32_t, Camera> g_callbacks;
int32_t g_next = 100;
int g_creates = 0, g_frees = 0;
std::vector<std::string> g_names;

std::string name(const char* what, int k)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "Fake %d %s %d", FAKE_ID, what, k);
    return buf;
}

} // namespace

extern "C" {

NJ_PLUGIN_EXPORT uint32_t nj_plugin_abi_version(void) { return FAKE_ABI; }

#ifndef FAKE_NO_DEVICE
NJ_PLUGIN_EXPORT uint16_t device_getcapabilities(void) { return FAKE_CAPS; }
NJ_PLUGIN_EXPORT const char* device_getfriendlyname(void)
{
    static std::string n = "Fake " + std::to_string(FAKE_ID);
    return n.c_str();
}
#endif

NJ_PLUGIN_EXPORT int32_t camera_enum(const char*, nj_enum_callback add, void* user)
{
    for (int k = 0; k < FAKE_CAMERAS; ++k) {
        const std::string n = name("cam", k);
        add(user, 10 + k, n.c_str());
    }
    return FAKE_CAMERAS;
}

NJ_PLUGIN_EXPORT int32_t camera_create(int32_t, const char*, const char*, int32_t)
{
    std::lock_guard lock(g_mutex);
    ++g_creates;
    g_cameras[g_next] = {};
    return g_next++;
}

#ifndef FAKE_NO_CONNECT
NJ_PLUGIN_EXPORT int32_t camera_connect(int32_t) { return FAKE_CONNECT; }
#endif

NJ_PLUGIN_EXPORT void camera_disconnect(int32_t handle)
{
    std::lock_guard lock(g_mutex);
    g_cameras[handle].running = false;
}

NJ_PLUGIN_EXPORT void camera_free(int32_t handle)
{
    std::lock_guard lock(g_mutex);
    ++g_frees;
    g_cameras.erase(handle);
}

NJ_PLUGIN_EXPORT void camera_setvideostreamcallback(int32_t handle, nj_frame_callback cb, void* user)
{
    std::lock_guard lock(g_mutex);
    g_cameras[handle].video = cb;
    g_cameras[handle].user = user;
    g_callbacks[handle] = g_cameras[handle];
}

NJ_PLUGIN_EXPORT void camera_setsnapshotcallback(int32_t, nj_frame_callback, void*) {}
NJ_PLUGIN_EXPORT void camera_init_video(int32_t) {}

NJ_PLUGIN_EXPORT void camera_start_video(int32_t handle)
{
    std::lock_guard lock(g_mutex);
    g_cameras[handle].running = true;
}

NJ_PLUGIN_EXPORT void camera_stop_video(int32_t handle)
{
    std::lock_guard lock(g_mutex);
    g_cameras[handle].running = false;
}

NJ_PLUGIN_EXPORT int32_t camera_getmaxexposure(int32_t) { return 999; }

NJ_PLUGIN_EXPORT double camera_getproperty(int32_t, int32_t p)
{
    switch (p) {
    case NJ_PROP_BINNING_X:
    case NJ_PROP_BINNING_Y: return 2;
    case NJ_PROP_FULL_WIDTH: return 640;
    case NJ_PROP_FULL_HEIGHT: return 480;
    default: return 0;
    }
}

NJ_PLUGIN_EXPORT void camera_setproperty(int32_t, int32_t, float) {}
NJ_PLUGIN_EXPORT void camera_startexposure(int32_t, int32_t, int32_t) {}
NJ_PLUGIN_EXPORT void camera_getimage(int32_t) {}
NJ_PLUGIN_EXPORT void camera_readasbitmap(int32_t, nj_frame_callback, void*) {}

#if (FAKE_CAPS) & 4
NJ_PLUGIN_EXPORT int32_t autoguide_enum(const char*, nj_enum_callback add, void* user)
{
    const std::string n = name("guider", 0);
    add(user, 1, n.c_str());
    return 1;
}
NJ_PLUGIN_EXPORT int32_t autoguide_create(int32_t, const char*, const char*, int32_t) { return 1; }
NJ_PLUGIN_EXPORT int32_t autoguide_connect(int32_t) { return 0; }
NJ_PLUGIN_EXPORT void autoguide_disconnect(int32_t) {}
NJ_PLUGIN_EXPORT void autoguide_free(int32_t) {}
NJ_PLUGIN_EXPORT void autoguide_move(int32_t, int32_t) {}
NJ_PLUGIN_EXPORT void autoguide_stop(int32_t, int32_t) {}
#endif

// Hands one frame of `level` to the video callback of `handle`, claiming to
// come from camera `asCamera`, even when the camera is stopped or freed (as a
// late callback would). 0 when the camera never had a callback.
NJ_PLUGIN_EXPORT int32_t fake_deliver(int32_t handle, int32_t asCamera, int32_t width, int32_t height, uint8_t level)
{
    Camera c;
    {
        std::lock_guard lock(g_mutex);
        const auto it = g_callbacks.find(handle);
        if (it == g_callbacks.end() || !it->second.video)
            return 0;
        c = it->second;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3, level);
    const nj_frame f{width, height, width * 3, NJ_FORMAT_BGR24, pixels.data(), pixels.size()};
    c.video(asCamera, &f, c.user);
    return 1;
}

NJ_PLUGIN_EXPORT void fake_counts(int32_t* creates, int32_t* frees, int32_t* running)
{
    std::lock_guard lock(g_mutex);
    *creates = g_creates;
    *frees = g_frees;
    *running = 0;
    for (const auto& [h, c] : g_cameras)
        *running += c.running ? 1 : 0;
}

} // extern "C"
