// The shear table of a tilted view, filled once per render.
#include "projection/shear_table.h"

#include <cstdint>

int32_t shearFactor(int k, double q)
{
    const double v = k * q * 256.0;
    // Extreme horizons can push the product past 32 bits; saturate rather
    // than let the conversion overflow.
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

void fillShearTable(Panorama *rec, double q)
{
    int32_t *shear = rec->shear;
    const int count = rec->shearCount;
    for (int k = 0; k < count; ++k) shear[k] = shearFactor(k, q);
}
