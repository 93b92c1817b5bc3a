// The reference view renderer for tests, one pixel at a time.
#include "common/reference_renderer.h"

#include <cstddef>

namespace kaltest {

namespace {

int64_t floorShift8(int64_t v)
{
    return v >= 0 ? v / 256 : -((-v + 255) / 256);
}

int64_t shearEntry(const ReferenceView &v, int k)
{
    const int hs = v.srcHeight / 2;
    const double depth = static_cast<double>(v.radius) - v.zPos;
    const double q = depth == 0 ? 0.0 : ((v.yPos - hs) - v.horizon) / (depth * depth);
    const double f = k * q * 256.0;
    if (f >= 2147483647.0) return 2147483647;
    if (f <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int64_t>(f);
}

}  // namespace

Sample referenceSample(const ReferenceView &v, int r, int u)
{
    const int hs = v.srcHeight / 2;
    const int dy = v.yPos - hs;
    const int lensColumns = v.vpWidth / 2 + 1;
    const int t = dy + r - v.vpHeight / 2;
    const int i = t < 0 ? -t : t;
    const int sigma = t >= 0 ? 1 : -1;
    const bool left = u < v.vpWidth / 2;
    const int j = left ? v.vpWidth / 2 - u : u - v.vpWidth / 2;
    const int tau = left ? -1 : 1;
    const uint32_t entry = v.lens[static_cast<int64_t>(i) * lensColumns + j];
    const int64_t x = entry & 0xFFFF;
    const int64_t ys = sigma * static_cast<int64_t>(static_cast<int16_t>(entry >> 16));
    const int64_t a = floorShift8(ys * shearEntry(v, static_cast<int>(x)));
    int64_t column = v.xPos + tau * (x + a);
    if (v.angle == 360) {
        column %= v.srcWidth;
        if (column < 0) column += v.srcWidth;
    } else if (column < 0) {
        column = 0;
    } else if (column >= v.srcWidth) {
        column = v.srcWidth - 1;
    }
    return {static_cast<int>(column), static_cast<int>(hs + ys)};
}

std::vector<uint8_t> referenceRender(const ReferenceView &v, uint8_t padding, int *rowsOutside)
{
    if (rowsOutside) *rowsOutside = 0;
    const int stride = (v.vpWidth + 3) & ~3;
    std::vector<uint8_t> view(static_cast<size_t>(stride) * v.vpHeight, padding);
    for (int r = 0; r < v.vpHeight; ++r)
        for (int u = 0; u < v.vpWidth; ++u) {
            Sample s = referenceSample(v, r, u);
            if (s.row < 0 || s.row >= v.srcHeight) {
                if (rowsOutside) ++*rowsOutside;
                s.row = s.row < 0 ? 0 : v.srcHeight - 1;
            }
            view[static_cast<size_t>(r) * stride + u] =
                v.image[static_cast<int64_t>(s.row) * v.srcWidth + s.column];
        }
    return view;
}

}  // namespace kaltest
