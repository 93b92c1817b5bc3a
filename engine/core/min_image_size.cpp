// The smallest image that a viewport and a panorama angle accept: the inverse
// of the radius formula and the viewport limit of panorama creation.
#include "panorama.h"

#include <cstdint>

namespace {

// Smallest radius d whose viewport limit (d * 804) / 512 admits `width`.
int64_t smallestRadius(int64_t width)
{
    int64_t d = (width * 512) / 804;
    while (width > (d * 804) / 512) ++d;  // at most two steps past the estimate
    return d;
}

}  // namespace

extern "C" BOOL KALAPI kal_MinImageSize(int *Width, int *Height, const RECT *ViewPort,
                                        int Angle)
{
    if (!Width || !Height || !ViewPort) return setError(nullptr, KAL_ERR_PARAM);
    if (Angle == 0) Angle = 360;
    if (Angle < 1 || Angle > 360) return setError(nullptr, KAL_ERR_ANGLE);

    const int64_t w = int64_t{ViewPort->right} - ViewPort->left;
    const int64_t h = int64_t{ViewPort->bottom} - ViewPort->top;
    // A reversed rectangle has no image size; an answer that does not fit the
    // int results would be a wrong one.
    if (w < 0 || h < 0) return setError(nullptr, KAL_ERR_VPSIZE);

    const int64_t quotient = smallestRadius(w) * Angle * 1608;
    const int64_t width = ((quotient + 92159) / 92160 + 3) & ~int64_t{3};
    const int64_t height = (h + 1) & ~int64_t{1};
    if (width > INT32_MAX || height > INT32_MAX) return setError(nullptr, KAL_ERR_VPSIZE);

    *Width = static_cast<int>(width);
    *Height = static_cast<int>(height);
    return 1;
}
