#include "capture/long_exposure.h"

TLongExposureParams LongExposureParams;
