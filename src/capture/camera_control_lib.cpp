#include "capture/camera_control_lib.h"

#include "platform/paths.h"

#include <QLibrary>
#include <memory>

TLedControlProcs LedControlProcs;
std::int32_t LedControlResult = 1;

namespace {

std::unique_ptr<QLibrary> g_library;
int g_references = 0;

template <class F>
void bind(QLibrary& library, F& entry, const char* name)
{
    entry = reinterpret_cast<F>(library.resolve(name));
}

std::unique_ptr<QLibrary> openLibrary()
{
    // The program directory first, as the program's own libraries are found
    // there, then the system's search path.
    const QString dir = platform::programDir();
    for (const QString& name : {QStringLiteral("libDStestenv.so"), QStringLiteral("DStestenv.so")}) {
        const QString file = platform::findFileNoCase(dir, name);
        if (file.isEmpty())
            continue;
        auto library = std::make_unique<QLibrary>(file);
        if (library->load())
            return library;
    }
    auto library = std::make_unique<QLibrary>(QStringLiteral("DStestenv"));
    if (library->load())
        return library;
    return nullptr;
}

} // namespace

namespace Align_V {

bool LoadLedControlDll()
{
    if (!g_library) {
        g_library = openLibrary();
        if (!g_library)
            return false;
        QLibrary& l = *g_library;
        bind(l, LedControlProcs.InitLedCtrl, "InitLedCtrl");
        bind(l, LedControlProcs.EnumCams, "EnumCams");
        bind(l, LedControlProcs.GetCamStrings, "GetCamStrings");
        bind(l, LedControlProcs.GetDevStrings, "GetDevStrings");
        bind(l, LedControlProcs.SetCam, "SetCam");
        bind(l, LedControlProcs.CamTrigger, "CamTrigger");
        bind(l, LedControlProcs.CamState, "CamState");
    }
    ++g_references;
    return true;
}

void FreeLedControlDll()
{
    if (g_references == 0)
        return;
    if (--g_references > 0)
        return;
    LedControlProcs = TLedControlProcs{};
    g_library->unload();
    g_library.reset();
}

bool LedControlLoaded() { return g_library != nullptr; }
int LedControlReferences() { return g_references; }

std::int32_t StartLedCamera(std::int32_t state)
{
    const TLedControlProcs& p = LedControlProcs;
    LedControlResult = p.InitLedCtrl ? p.InitLedCtrl() : 1;
    if (LedControlResult != 0)
        return LedControlResult;
    LedControlResult = p.EnumCams ? p.EnumCams() : 1;
    if (LedControlResult != 0)
        return LedControlResult;
    LedControlResult = p.SetCam ? p.SetCam(0) : 1;
    LedControlResult = LedCamTrigger(state);
    return LedControlResult;
}

std::int32_t LedCamTrigger(std::int32_t state)
{
    LedControlResult = LedControlProcs.CamTrigger ? LedControlProcs.CamTrigger(state) : 1;
    return LedControlResult;
}

} // namespace Align_V
