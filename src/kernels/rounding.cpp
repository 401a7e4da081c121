#include "kernels/rounding.h"
