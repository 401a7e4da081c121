#include "telescope/sim/simulated_telescope.h"

#include "platform/clock.h"

#include <algorithm>

namespace Telescope {

using namespace AscomBridge;

SimulatedTelescope::SimulatedTelescope() { Install(this); }

SimulatedTelescope::~SimulatedTelescope()
{
    if (Installed() == this)
        Install(nullptr);
}

int SimulatedTelescope::count(int request) const
{
    return int(std::count(requests.begin(), requests.end(), request));
}

bool SimulatedTelescope::WaitDataSet(int)
{
    const bool set = dataSet_ && answers;
    dataSet_ = false;
    return set;
}

void SimulatedTelescope::Signal(int request)
{
    requests.push_back(request);
    serve(request);
}

void SimulatedTelescope::serve(int request)
{
    TASCOM_CMD& d = AscomSharedData;
    const bool gate = connected;
    switch (request) {
    case rqConnect:
        connected = true;
        d.Connected = 1;
        d.AxisRates[0] = d.AxisRates[1] = rates;
        d.AxisRates[2].clear();
        dataSet_ = true;
        return;
    case rqDisconnect:
        connected = false;
        d.Connected = 0;
        dataSet_ = true;
        return;
    case rqAbortSlew:
        if (gate && canSlew)
            slewing = false;
        return;
    case rqPulseGuide:
        if (gate && canPulseGuide)
            pulses.push_back({d.Direction, d.PulseDuration});
        return;
    case rqSlewToCoordinatesAsync:
        if (gate && (canSlewAsync || canSlew)) {
            targetRa_ = d.TargetRightAscension;
            targetDec_ = d.TargetDeclination;
            slewing = true;
            slewEnd_ms_ = platform::clock().monotonicMs() + slewDuration_ms;
            d.Slewing = 1;
        }
        return;
    case rqSyncToCoordinates:
        if (gate && canSync) {
            raHours = d.TargetRightAscension;
            decDegrees = d.TargetDeclination;
        }
        return;
    case rqMoveAxis:
    case rqStopAxis: {
        std::uint8_t axis = 0;
        int sign = 0;
        if (!gate || !AxisOfDirection(d.Direction, axis, sign))
            return;
        d.Axis = axis;
        if (!canMoveAxis)
            return;
        const RateRef& rate = d.CurrentRate[axis];
        axisRate[axis] = request == rqStopAxis ? 0 : sign * (rate ? rate->Maximum : 0);
        return;
    }
    case rqGetDeclination:
    case rqGetRightAscension:
    case rqGetSlewing:
        if (gate) {
            if (slewing && platform::clock().monotonicMs() >= slewEnd_ms_) {
                slewing = false;
                raHours = targetRa_;
                decDegrees = targetDec_;
            }
            d.Declination = decDegrees;
            d.RightAscension = raHours;
            d.Slewing = slewing ? 1 : 0;
        }
        dataSet_ = true;
        return;
    case rqChoose:
    case rqActiver:
    case rqSetConnected:
    case rqGetConnected:
    case rqSetTargetDeclination:
    case rqGetTargetDeclination:
    case rqSetTargetRightAscension:
    case rqGetTargetRightAscension:
    case rqCanPulseGuide:
    case rqCanSlew:
    case rqCanSlewAsync:
    case rqGetName:
        dataSet_ = true;
        return;
    default:
        return;
    }
}

} // namespace Telescope
