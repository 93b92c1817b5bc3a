// The smallest image that a viewport and a panorama angle accept: the inverse
// of the radius formula and the viewport limit of panorama creation, within
// the image limits that creation enforces.
#include "core/panorama_setup.h"

#include <cstdint>

namespace {

// Smallest radius d whose viewport limit (d * 804) / 512 admits `width`.
int64_t smallestRadius(int64_t width)
{
    int64_t d = (width * 512) / 804;
    while (width > (d * 804) / 512) ++d;  // at most two steps past the estimate
    return d;
}

// Smallest width, a multiple of 4, whose radius at `angle` is at least the
// one `vpWidth` needs; 0 when every such width is refused by creation. The
// radius grows with the width, so the first width past a limit is the last
// chance.
int64_t smallestWidth(int64_t vpWidth, int angle)
{
    const int64_t d = smallestRadius(vpWidth);
    if (d > kMaxRadius) return 0;
    const int64_t quotient = d * angle * 1608;
    const int64_t width = ((quotient + 92159) / 92160 + 3) & ~int64_t{3};
    if (width > kMaxImageWidth) return 0;
    return radiusFor(static_cast<int>(width), angle) > kMaxRadius ? 0 : width;
}

// The viewport height rounded up to an even number, or the tallest image
// when only the odd height itself fits; 0 when no image is tall enough.
int64_t smallestHeight(int64_t vpHeight)
{
    if (vpHeight > kMaxImageHeight) return 0;
    const int64_t height = (vpHeight + 1) & ~int64_t{1};
    return height > kMaxImageHeight ? kMaxImageHeight : height;
}

}  // namespace

// Where no image would be accepted (a viewport narrower than two columns or
// without rows, or one wider or taller than the largest image serves),
// creation would refuse every image with KAL_ERR_VPSIZE, and so does this.
extern "C" BOOL KALAPI kal_MinImageSize(int *Width, int *Height, const RECT *ViewPort, int Angle)
{
    if (!Width || !Height || !ViewPort) return setError(nullptr, KAL_ERR_PARAM);
    if (Angle == 0) Angle = 360;
    if (Angle < 1 || Angle > 360) return setError(nullptr, KAL_ERR_ANGLE);

    const int64_t w = int64_t{ViewPort->right} - ViewPort->left;
    const int64_t h = int64_t{ViewPort->bottom} - ViewPort->top;
    if (w < 2 || h < 1) return setError(nullptr, KAL_ERR_VPSIZE);
    const int64_t width = smallestWidth(w, Angle);
    const int64_t height = smallestHeight(h);
    if (width == 0 || height == 0) return setError(nullptr, KAL_ERR_VPSIZE);

    *Width = static_cast<int>(width);
    *Height = static_cast<int>(height);
    return 1;
}
