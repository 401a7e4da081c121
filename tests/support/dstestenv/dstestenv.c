/* Stand-in for the camera-control library "DStestenv": each entry point
   records its call, and the results are set by the test. */

#include <stdint.h>
#include <stdio.h>
#include <string.h>

static char g_calls[512];
static int32_t g_results[4];

static void record(const char* call)
{
    if (strlen(g_calls) + strlen(call) + 2 >= sizeof g_calls)
        return;
    if (g_calls[0])
        strcat(g_calls, ",");
    strcat(g_calls, call);
}

int32_t InitLedCtrl(void) { record("InitLedCtrl"); return g_results[0]; }
int32_t EnumCams(void) { record("EnumCams"); return g_results[1]; }

int32_t SetCam(int32_t camera)
{
    char call[32];
    snprintf(call, sizeof call, "SetCam(%d)", (int)camera);
    record(call);
    return g_results[2];
}

int32_t CamTrigger(int32_t state)
{
    char call[32];
    snprintf(call, sizeof call, "CamTrigger(%d)", (int)state);
    record(call);
    return g_results[3];
}

void GetCamStrings(void) { record("GetCamStrings"); }
void GetDevStrings(void) { record("GetDevStrings"); }
void CamState(void) { record("CamState"); }

/* For the tests. */
const char* DStestenv_Calls(void) { return g_calls; }

void DStestenv_Reset(int32_t init, int32_t enumCams, int32_t setCam, int32_t trigger)
{
    g_calls[0] = 0;
    g_results[0] = init;
    g_results[1] = enumCams;
    g_results[2] = setCam;
    g_results[3] = trigger;
}
