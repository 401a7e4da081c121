#include "capture/long_exposure_params.h"

TLongExposureParams LongExposureParams;
