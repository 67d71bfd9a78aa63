#include "common/rounding.h"

#include <cmath>

int roundHalfAway(double value)
{
    return static_cast<int>(std::round(value));
}
