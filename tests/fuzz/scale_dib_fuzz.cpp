// libFuzzer target over kal_ScaleDIB: fuzzed headers, sizes, forms and
// flags over exact-size source blocks; every produced pixel is checked
// against the closed form of the nearest-neighbour mapping.
#include "kalengine.h"
#include "stand_in_control.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Input: dst width and height (int32), src width and height (int16), bit
// count, flags, biClrUsed (uint16), then pixel bytes.
constexpr size_t kParams = 16;
enum Flags { kSeparate = 1, kDstInfo = 2, kInPlace = 4, kDelete = 8, kCompressed = 16 };

void require(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "scale_dib_fuzz: %s\n", what);
    std::abort();
}

int32_t get32(const uint8_t *p) { return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24); }
int32_t get16(const uint8_t *p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

// Valid sizes are folded into a small range; invalid ones stay invalid.
int32_t bounded(int32_t v, int32_t limit) { return v >= 1 && v <= 32767 ? v % limit + 1 : v; }
size_t stride8(int32_t w) { return (static_cast<size_t>(w) + 3) & ~size_t{3}; }
bool valid(int32_t v) { return v >= 1 && v <= 32767; }

int sourceOf(int j, int s, int t)
{
    if (s >= t) return static_cast<int>(int64_t{j} * s / t);
    return static_cast<int>((int64_t{j + 1} * s + t - 1) / t) - 1;
}

void checkPixels(const uint8_t *src, int sw, int sh, const uint8_t *dst, int tw, int th)
{
    for (int y = 0; y < th; ++y) {
        const uint8_t *srow = src + static_cast<size_t>(sourceOf(y, sh, th)) * stride8(sw);
        const uint8_t *drow = dst + static_cast<size_t>(y) * stride8(tw);
        for (int x = 0; x < tw; ++x) require(drow[x] == srow[sourceOf(x, sw, tw)], "pixel from the wrong source");
        for (size_t x = tw; x < stride8(tw); ++x) require(drow[x] == 0, "padding not cleared");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kParams) return 0;
    const int32_t tw = bounded(get32(data), 700), th = bounded(get32(data + 4), 700);
    const int32_t sw = bounded(get16(data + 8), 300), sh = bounded(get16(data + 10), 300);
    const uint8_t flags = data[13];
    const uint32_t clrUsed = static_cast<uint32_t>(data[14] | data[15] << 8);
    const bool packed = !(flags & kSeparate);
    const size_t colors = clrUsed > 0 && clrUsed < 256 ? clrUsed : (clrUsed == 0 ? 256 : clrUsed);
    const size_t rows = valid(sw) && valid(sh) ? stride8(sw) * static_cast<size_t>(sh) : 0;
    const size_t headerPart = packed ? 40 + 4 * colors : 1064;

    // Source block of exactly the size its header implies, pixels from the input.
    const long live = standInLiveHeapBlocks();
    auto *info = static_cast<uint8_t *>(kal_AllocResource(static_cast<DWORD>(headerPart + (packed ? rows : 0))));
    auto *bits = packed ? nullptr : static_cast<uint8_t *>(kal_AllocResource(static_cast<DWORD>(rows)));
    auto fill = [&](size_t k) {
        return size > kParams ? data[kParams + k % (size - kParams)] : static_cast<uint8_t>(k);
    };
    for (size_t k = 40; k < headerPart + (packed ? rows : 0); ++k) info[k] = fill(k);
    for (size_t k = 0; bits && k < rows; ++k) bits[k] = fill(k * 7);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = sw;
    h.biHeight = sh;
    h.biPlanes = 1;
    h.biBitCount = data[12];
    h.biCompression = (flags & kCompressed) ? BI_RLE8 : BI_RGB;
    h.biClrUsed = clrUsed;
    std::memcpy(info, &h, sizeof h);
    const std::vector<uint8_t> before(info, info + headerPart + (packed ? rows : 0));
    const std::vector<uint8_t> srcRows = packed ? std::vector<uint8_t>(before.begin() + headerPart, before.end())
                                                : std::vector<uint8_t>(bits, bits + rows);

    std::vector<uint8_t> other(1064, 0x5A);
    auto *srcInfo = reinterpret_cast<BITMAPINFOHEADER *>(info);
    BITMAPINFOHEADER *dstInfo = !(flags & kDstInfo) ? nullptr
                                : (flags & kInPlace) ? srcInfo
                                                     : reinterpret_cast<BITMAPINFOHEADER *>(other.data());
    const bool del = flags & kDelete;
    void *out = kal_ScaleDIB(srcInfo, bits, dstInfo, tw, th, del);
    const int error = kal_Error(nullptr);
    require((out != nullptr) == (error == KAL_ERR_NONE), "result and last error disagree");
    if (out) {
        require(valid(sw) && valid(sh) && valid(tw) && valid(th) && h.biBitCount == 8, "accepted a bad source");
        const auto *block = static_cast<const uint8_t *>(out);
        checkPixels(srcRows.data(), sw, sh, block + (packed ? 1064 : 0), tw, th);
        if (packed || dstInfo) {
            BITMAPINFOHEADER d;
            std::memcpy(&d, packed ? block : reinterpret_cast<const uint8_t *>(dstInfo), sizeof d);
            require(d.biWidth == tw && d.biHeight == th && d.biClrUsed == 256, "destination header");
            require(d.biSizeImage == stride8(tw) * static_cast<size_t>(th), "destination size");
        }
        kal_FreeResource(out);
    }
    if (!(out && del))
        require(std::equal(srcRows.begin(), srcRows.end(), packed ? info + headerPart : bits), "source changed");
    // The source is freed exactly when it was handed over and the call succeeded.
    if (!(out && del)) kal_FreeResource(packed ? static_cast<void *>(info) : bits);
    if (!packed) kal_FreeResource(info);
    require(standInLiveHeapBlocks() == live, "heap block leaked or freed twice");
    return 0;
}
