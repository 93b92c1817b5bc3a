// One input of a fuzz corpus run through the engine, shared by the fuzz
// targets (native) and their replay through kalengine.dll under Wine. Each
// check returns null when the engine's answer is sound, else what is wrong.
#ifndef KAL_FUZZ_CASES_H
#define KAL_FUZZ_CASES_H

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/kalengine.h"

namespace kalfuzz {

inline size_t stride8(int32_t width)
{
    return (static_cast<size_t>(width) + 3) & ~size_t{3};
}
inline int32_t get32(const uint8_t *p)
{
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
}
inline int32_t get16(const uint8_t *p)
{
    return static_cast<int16_t>(p[0] | p[1] << 8);
}

// Loader inputs whose header (at `at`: 14 in a file, 0 in an RT_BITMAP)
// declares more than 2 MB of pixels only cost time: their paths are those of
// smaller images.
inline bool declaresHugeImage(const uint8_t *data, size_t size, size_t at)
{
    if (size < at + 12) return false;
    const int64_t w = get32(data + at + 4), h = get32(data + at + 8);
    return w > 0 && h > 0 && static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > (2u << 20);
}

// A packed result of kal_LoadDIB against the bits-only result of the same
// source, whose header and table went into `info` (1064 bytes).
inline const char *loadedFormsProblem(const void *packed, const void *bits, const uint8_t *info)
{
    if ((packed == nullptr) != (bits == nullptr)) return "the two forms disagree on success";
    if (!packed) return nullptr;
    const auto *block = static_cast<const uint8_t *>(packed);
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof h);
    if (h.biBitCount != 8 || h.biCompression != BI_RGB || h.biClrUsed != 256 || h.biSize != 40)
        return "delivered header";
    if (h.biWidth <= 0 || h.biHeight <= 0) return "delivered size";
    if (std::memcmp(block, info, 1064) != 0) return "header and table differ between forms";
    const size_t stride = stride8(h.biWidth), height = static_cast<size_t>(h.biHeight);
    if (std::memcmp(block + 1064, bits, stride * height) != 0) return "pixels differ between forms";
    for (size_t r = 0; r < height; ++r)
        for (size_t c = static_cast<size_t>(h.biWidth); c < stride; ++c)
            if (block[1064 + r * stride + c] != 0) return "row padding not cleared";
    return nullptr;
}

// Loads one source in both result forms (load(nullptr), then load(info))
// and checks them; both results are released.
template <typename Load>
const char *loadBothForms(Load load)
{
    std::vector<uint8_t> info(1064, 0xA5);
    void *packed = load(nullptr);
    void *bits = load(reinterpret_cast<BITMAPINFO *>(info.data()));
    const char *problem = loadedFormsProblem(packed, bits, info.data());
    kal_FreeResource(packed);
    kal_FreeResource(bits);
    return problem;
}

// A block that kal_AttribString filled and the result it returned.
inline const char *attribBlockProblem(const KalAttribs &b, int result)
{
    auto terminated = [](const char *s) { return std::memchr(s, 0, 128) != nullptr; };
    if (result != 0 && result != 1) return "result is 0 or 1";
    if (!terminated(b.userString)) return "userString terminated";
    if (b.reserved != 0) return "reserved cleared";
    if (b.numHotSpots <= 0)
        return b.numHotSpots == 0 && !b.hotSpots && b.flags == 0 ? nullptr
                                                                 : "no array without hotspots";
    if (result != 1 || !b.hotSpots || b.flags != KAL_ATTRIB_OWNHOTSPOTS)
        return "an owned array with every hotspot";
    for (int32_t i = 0; i < b.numHotSpots; ++i)
        if (!terminated(b.hotSpots[i].label) || !terminated(b.hotSpots[i].text))
            return "hotspot strings terminated";
    return nullptr;
}

// Scaler input: dst width and height (int32), src width and height (int16),
// bit count, flags, biClrUsed (uint16), then pixel bytes.
constexpr size_t kScaleParams = 16;
enum ScaleFlags { kSeparate = 1, kDstInfo = 2, kInPlace = 4, kDelete = 8, kCompressed = 16 };

// Valid sizes are folded into a small range; invalid ones stay invalid.
inline int32_t bounded(int32_t v, int32_t limit)
{
    return v >= 1 && v <= 32767 ? v % limit + 1 : v;
}
inline bool validSize(int32_t v)
{
    return v >= 1 && v <= 32767;
}

inline int sourceOf(int j, int s, int t)
{
    if (s >= t) return static_cast<int>(int64_t{j} * s / t);
    return static_cast<int>((int64_t{j + 1} * s + t - 1) / t) - 1;
}

inline const char *scaledPixelsProblem(const uint8_t *src, int sw, int sh, const uint8_t *dst,
                                       int tw, int th)
{
    for (int y = 0; y < th; ++y) {
        const uint8_t *srow = src + static_cast<size_t>(sourceOf(y, sh, th)) * stride8(sw);
        const uint8_t *drow = dst + static_cast<size_t>(y) * stride8(tw);
        for (int x = 0; x < tw; ++x)
            if (drow[x] != srow[sourceOf(x, sw, tw)]) return "pixel from the wrong source";
        for (size_t x = static_cast<size_t>(tw); x < stride8(tw); ++x)
            if (drow[x] != 0) return "padding not cleared";
    }
    return nullptr;
}

// Runs one scaler input: source blocks of exactly the size their header
// implies, then kal_ScaleDIB; checks the result, the last error, the pixels,
// the destination header and that a kept source is unchanged. Everything
// is released (the source only when it was not handed over).
inline const char *runScaleCase(const uint8_t *data, size_t size)
{
    if (size < kScaleParams) return nullptr;
    const int32_t tw = bounded(get32(data), 700), th = bounded(get32(data + 4), 700);
    const int32_t sw = bounded(get16(data + 8), 300), sh = bounded(get16(data + 10), 300);
    const uint8_t flags = data[13];
    const uint32_t clrUsed = static_cast<uint32_t>(data[14] | data[15] << 8);
    const bool packed = !(flags & kSeparate);
    const size_t colors = clrUsed > 0 && clrUsed < 256 ? clrUsed : (clrUsed == 0 ? 256 : clrUsed);
    const size_t rows = validSize(sw) && validSize(sh) ? stride8(sw) * static_cast<size_t>(sh) : 0;
    const size_t headerPart = packed ? 40 + 4 * colors : 1064;
    const size_t infoBytes = headerPart + (packed ? rows : 0);

    auto *info = static_cast<uint8_t *>(kal_AllocResource(static_cast<DWORD>(infoBytes)));
    auto *bits =
        packed ? nullptr : static_cast<uint8_t *>(kal_AllocResource(static_cast<DWORD>(rows)));
    if (!info || (!packed && !bits)) return "source blocks refused";
    auto fill = [&](size_t k) {
        return size > kScaleParams ? data[kScaleParams + k % (size - kScaleParams)]
                                   : static_cast<uint8_t>(k);
    };
    for (size_t k = 40; k < infoBytes; ++k) info[k] = fill(k);
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
    const std::vector<uint8_t> srcRows =
        packed ? std::vector<uint8_t>(info + headerPart, info + infoBytes)
               : std::vector<uint8_t>(bits, bits + rows);

    std::vector<uint8_t> other(1064, 0x5A);
    auto *srcInfo = reinterpret_cast<BITMAPINFOHEADER *>(info);
    BITMAPINFOHEADER *dstInfo = !(flags & kDstInfo) ? nullptr
                                : (flags & kInPlace)
                                    ? srcInfo
                                    : reinterpret_cast<BITMAPINFOHEADER *>(other.data());
    const bool handedOver = flags & kDelete;
    void *out = kal_ScaleDIB(srcInfo, bits, dstInfo, tw, th, handedOver);
    const char *problem = nullptr;
    if ((out != nullptr) != (kal_Error(nullptr) == KAL_ERR_NONE))
        problem = "result and last error disagree";
    if (out && !problem) {
        if (!validSize(sw) || !validSize(sh) || !validSize(tw) || !validSize(th) ||
            h.biBitCount != 8)
            problem = "accepted a bad source";
        const auto *block = static_cast<const uint8_t *>(out);
        if (!problem)
            problem =
                scaledPixelsProblem(srcRows.data(), sw, sh, block + (packed ? 1064 : 0), tw, th);
        if (!problem && (packed || dstInfo)) {
            BITMAPINFOHEADER d;
            std::memcpy(&d, packed ? block : reinterpret_cast<const uint8_t *>(dstInfo), sizeof d);
            if (d.biWidth != tw || d.biHeight != th || d.biClrUsed != 256)
                problem = "destination header";
            else if (d.biSizeImage != stride8(tw) * static_cast<size_t>(th))
                problem = "destination size";
        }
        kal_FreeResource(out);
    }
    const bool kept = !(out && handedOver);
    if (kept && !problem &&
        !std::equal(srcRows.begin(), srcRows.end(), packed ? info + headerPart : bits))
        problem = "source changed";
    if (kept) kal_FreeResource(packed ? static_cast<void *>(info) : bits);
    if (!packed) kal_FreeResource(info);
    return problem;
}

}  // namespace kalfuzz

#endif
