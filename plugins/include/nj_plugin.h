/*
 * NightjarPro camera and autoguider plug-in interface.
 *
 * A plug-in is a shared library named "NJ_" + a name + ".so" in the folder
 * "Plugins" of the program directory. It exports the functions below with C
 * linkage. Only plain C types cross the boundary:
 *
 *  - Text handed to the program (friendly name, camera and guider names) is
 *    copied by the program before the call returns or the enumeration callback
 *    returns; the plug-in keeps ownership.
 *  - Text handed to the plug-in is valid during the call only.
 *  - A frame is described by an nj_frame. Its pixels belong to the plug-in and
 *    are valid until the callback that receives it returns; the program copies
 *    what it needs inside the callback.
 *
 * Required and optional entry points
 *   The program refuses a plug-in (with a message naming the entry point) when
 *   an entry point marked "required" below is missing for a capability the
 *   plug-in reports. Optional ones are looked up and called only when present.
 *   A library without device_getcapabilities and device_getfriendlyname is no
 *   plug-in and is ignored.
 *
 * Threads
 *   Every entry point is called from the program's user-interface thread. The
 *   frame callbacks may be called on any thread of the plug-in; after
 *   camera_stop_video (and camera_disconnect) returns, the plug-in must not
 *   call them any more for that camera. The program ignores frames of a camera
 *   it has stopped or does not know.
 */
#ifndef NJ_PLUGIN_H
#define NJ_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version of this header. A plug-in reports the version it was
 * built against through nj_plugin_abi_version; the program loads only plug-ins
 * of its own version. */
#define NJ_PLUGIN_ABI_VERSION 1u

#if defined(_WIN32)
#define NJ_PLUGIN_EXPORT __declspec(dllexport)
#else
#define NJ_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

/* Capability bits returned by device_getcapabilities. */
#define NJ_CAP_CAMERA 0x0001u     /* camera_ entry points, cameras listed by camera_enum */
#define NJ_CAP_AUTOGUIDER 0x0004u /* autoguide_ entry points, guiders listed by autoguide_enum */

/* Pixel formats of nj_frame. */
#define NJ_FORMAT_BGR24 0 /* 3 bytes a pixel: blue, green, red */
#define NJ_FORMAT_MONO8 1 /* 1 byte a pixel: grey levels or a raw Bayer mosaic */

/* Camera properties (camera_getproperty / camera_setproperty). */
#define NJ_PROP_EXPOSURE 7    /* exposure of the video stream */
#define NJ_PROP_BINNING_X 33  /* horizontal binning factor */
#define NJ_PROP_BINNING_Y 34  /* vertical binning factor */
#define NJ_PROP_FULL_WIDTH 37 /* sensor width in pixels before binning */
#define NJ_PROP_FULL_HEIGHT 38

/* Guide directions (autoguide_move, autoguide_stop, autoguide_sendpulseguide). */
#define NJ_GUIDE_NORTH 0
#define NJ_GUIDE_SOUTH 1
#define NJ_GUIDE_EAST 2
#define NJ_GUIDE_WEST 3

/* One frame: rows top-down, `stride` bytes apart; `size` bytes readable at
 * `data` (at least stride * (height - 1) + width * bytes a pixel). */
typedef struct nj_frame {
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t format; /* NJ_FORMAT_* */
    const uint8_t* data;
    size_t size;
} nj_frame;

/* Receives one frame of `camera` (the handle returned by camera_create);
 * `user` is the value given with the callback. */
typedef void (*nj_frame_callback)(int32_t camera, const nj_frame* frame, void* user);

/* Receives one device of an enumeration: its id (passed back to the create
 * call) and its name. */
typedef void (*nj_enum_callback)(void* user, int32_t id, const char* name);

/* ---- Device: required for every plug-in ---------------------------------- */

NJ_PLUGIN_EXPORT uint32_t nj_plugin_abi_version(void);       /* NJ_PLUGIN_ABI_VERSION */
NJ_PLUGIN_EXPORT uint16_t device_getcapabilities(void);      /* NJ_CAP_* bits */
NJ_PLUGIN_EXPORT const char* device_getfriendlyname(void);

/* ---- Camera: required with NJ_CAP_CAMERA --------------------------------- */

/* Calls `add` once per camera, in a stable order; `folder` is the plug-in
 * folder without a trailing separator. Returns the number of cameras. */
NJ_PLUGIN_EXPORT int32_t camera_enum(const char* folder, nj_enum_callback add, void* user);
/* Creates a camera object for the camera `camera_id`; `folder` ends with a
 * separator. Returns its handle (0 = failure). */
NJ_PLUGIN_EXPORT int32_t camera_create(int32_t camera_id, const char* name, const char* folder, int32_t reserved);
NJ_PLUGIN_EXPORT int32_t camera_connect(int32_t handle); /* 0 = connected */
NJ_PLUGIN_EXPORT void camera_disconnect(int32_t handle);
NJ_PLUGIN_EXPORT void camera_free(int32_t handle);
/* Frames of the video stream, and the image of each finished exposure. */
NJ_PLUGIN_EXPORT void camera_setvideostreamcallback(int32_t handle, nj_frame_callback callback, void* user);
NJ_PLUGIN_EXPORT void camera_setsnapshotcallback(int32_t handle, nj_frame_callback callback, void* user);
NJ_PLUGIN_EXPORT void camera_init_video(int32_t handle);
NJ_PLUGIN_EXPORT void camera_start_video(int32_t handle);
NJ_PLUGIN_EXPORT void camera_stop_video(int32_t handle);
NJ_PLUGIN_EXPORT int32_t camera_getmaxexposure(int32_t handle); /* ms */
NJ_PLUGIN_EXPORT double camera_getproperty(int32_t handle, int32_t property);
NJ_PLUGIN_EXPORT void camera_setproperty(int32_t handle, int32_t property, float value);
/* Starts one exposure of duration_ms10 tenths of a millisecond. */
NJ_PLUGIN_EXPORT void camera_startexposure(int32_t handle, int32_t duration_ms10, int32_t flags);
/* Fetches the last image from the camera; camera_readasbitmap then hands it
 * to `sink` before returning. */
NJ_PLUGIN_EXPORT void camera_getimage(int32_t handle);
NJ_PLUGIN_EXPORT void camera_readasbitmap(int32_t handle, nj_frame_callback sink, void* user);

/* ---- Camera: optional ----------------------------------------------------- */

/* `parent` is the native handle of the program's main window (0 = none). */
NJ_PLUGIN_EXPORT void camera_showpropertiesdialog(int32_t handle, uintptr_t parent);
NJ_PLUGIN_EXPORT void camera_showformatdialog(int32_t handle, uintptr_t parent);
NJ_PLUGIN_EXPORT const char* camera_getmodel(int32_t handle);
NJ_PLUGIN_EXPORT const char* camera_getname(int32_t handle);
NJ_PLUGIN_EXPORT int32_t camera_getminexposure(int32_t handle); /* ms */
NJ_PLUGIN_EXPORT void camera_setsubframe(int32_t handle, int32_t x, int32_t y, int32_t width, int32_t height);
NJ_PLUGIN_EXPORT void camera_moveframe(int32_t handle, int32_t dx, int32_t dy);
NJ_PLUGIN_EXPORT double camera_gettemp(int32_t handle); /* degrees Celsius */
NJ_PLUGIN_EXPORT int32_t camera_isexposing(int32_t handle);
NJ_PLUGIN_EXPORT int32_t camera_iscolor(int32_t handle);
NJ_PLUGIN_EXPORT void camera_stopexposure(int32_t handle);
NJ_PLUGIN_EXPORT void camera_readimage(int32_t handle, nj_frame_callback sink, void* user);
NJ_PLUGIN_EXPORT void camera_startdownload(int32_t handle);
NJ_PLUGIN_EXPORT void camera_enddownload(int32_t handle);
NJ_PLUGIN_EXPORT int32_t camera_bitsperpixel(int32_t handle);

/* ---- Autoguider: required with NJ_CAP_AUTOGUIDER ------------------------- */

/* Calls `add` once per guider; returns the number of guiders. */
NJ_PLUGIN_EXPORT int32_t autoguide_enum(const char* folder, nj_enum_callback add, void* user);
NJ_PLUGIN_EXPORT int32_t autoguide_create(int32_t guider_id, const char* name, const char* folder, int32_t reserved);
NJ_PLUGIN_EXPORT int32_t autoguide_connect(int32_t handle); /* 0 = connected */
NJ_PLUGIN_EXPORT void autoguide_disconnect(int32_t handle);
NJ_PLUGIN_EXPORT void autoguide_free(int32_t handle);
/* Starts moving in `direction` (NJ_GUIDE_*) until autoguide_stop with the
 * same direction. */
NJ_PLUGIN_EXPORT void autoguide_move(int32_t handle, int32_t direction);
NJ_PLUGIN_EXPORT void autoguide_stop(int32_t handle, int32_t direction);

/* ---- Autoguider: optional ------------------------------------------------- */

NJ_PLUGIN_EXPORT void autoguide_sendpulseguide(int32_t handle, int32_t direction, int32_t duration_ms);
NJ_PLUGIN_EXPORT void autoguide_showpropertiesdialog(int32_t handle, uintptr_t parent);
NJ_PLUGIN_EXPORT void autoguide_showhandpad(int32_t handle, uintptr_t parent);

#ifdef __cplusplus
}
#endif

#endif /* NJ_PLUGIN_H */
