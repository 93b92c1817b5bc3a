// kal_ScaleDIB: nearest-neighbour resizing of 8-bit DIBs with error
// accumulators (additions and comparisons only), whole-row copies for
// repeated rows and unchanged widths.
#include "image/dib_layout.h"

#include <cstring>

namespace {

constexpr LONG kMaxDimension = 32767;

bool validDimension(LONG value)
{
    return value >= 1 && value <= kMaxDimension;
}

// Pixel rule: destination element j takes source element floor(j*s/t) when
// reducing, ceil((j+1)*s/t)-1 when enlarging.
void scaleRow(const uint8_t *src, int s, uint8_t *dst, int t)
{
    if (s == t) {
        std::memcpy(dst, src, static_cast<size_t>(t));
    } else if (s > t) {
        int acc = 0;
        for (int j = 0; j < t; ++j) {
            dst[j] = *src++;
            acc += s - t;
            while (acc >= t) {
                acc -= t;
                ++src;
            }
        }
    } else {
        int acc = 0;
        for (int i = 0; i < s; ++i) {
            const uint8_t value = src[i];
            *dst++ = value;
            acc += t - s;
            while (acc >= s) {
                acc -= s;
                *dst++ = value;
            }
        }
    }
}

struct Image {
    const uint8_t *rows;
    int width;
    int height;
    size_t stride;
};

struct Target {
    uint8_t *rows;
    int width;
    int height;
    size_t stride;
};

// Writes one scaled row with cleared padding; returns the next row.
uint8_t *emitRow(const uint8_t *srcRow, const Image &src, uint8_t *dst, const Target &dstImage)
{
    scaleRow(srcRow, src.width, dst, dstImage.width);
    std::memset(dst + dstImage.width, 0, dstImage.stride - static_cast<size_t>(dstImage.width));
    return dst + dstImage.stride;
}

// Row rule: the pixel rule over stored rows; a repeated row is a copy of
// the destination row just written.
void scaleRows(const Image &src, const Target &dst)
{
    const uint8_t *srcRow = src.rows;
    uint8_t *dstRow = dst.rows;
    const int s = src.height;
    const int t = dst.height;
    int acc = 0;
    if (s >= t) {
        for (int j = 0; j < t; ++j) {
            dstRow = emitRow(srcRow, src, dstRow, dst);
            srcRow += src.stride;
            acc += s - t;
            while (acc >= t) {
                acc -= t;
                srcRow += src.stride;
            }
        }
        return;
    }
    for (int i = 0; i < s; ++i, srcRow += src.stride) {
        dstRow = emitRow(srcRow, src, dstRow, dst);
        acc += t - s;
        while (acc >= s) {
            acc -= s;
            std::memcpy(dstRow, dstRow - dst.stride, dst.stride);
            dstRow += dst.stride;
        }
    }
}

// Destination header: the source's header and the colour entries it holds,
// the entries it lacks cleared, then the new size.
void writeHeader(const BITMAPINFOHEADER *src, BITMAPINFOHEADER *dst, unsigned colors,
                 const Target &target)
{
    if (dst != src) {
        const size_t bytes = dib::kHeaderBytes + colors * 4u;
        std::memcpy(dst, src, bytes);
        std::memset(reinterpret_cast<uint8_t *>(dst) + bytes, 0, dib::kInfoBytes - bytes);
    }
    dst->biWidth = target.width;
    dst->biHeight = target.height;
    dst->biSizeImage = static_cast<DWORD>(target.stride * static_cast<size_t>(target.height));
    dst->biClrUsed = 256;
    dst->biClrImportant = 256;
}

// Checks of the source and the wanted size; KAL_ERR_NONE when all pass.
int checkScale(const BITMAPINFOHEADER *src, bool packed, int width, int height)
{
    if (!src) return KAL_ERR_PARAM;
    // Rows are read as 8-bit rows, so fewer bits cannot be scaled either;
    // compressed rows are not stride x height bytes long.
    if (src->biBitCount != 8 || src->biCompression != BI_RGB) return KAL_ERR_WRONGFORMAT;
    // A packed source's rows lie behind its table; more than 256 entries
    // cannot describe an 8-bit image.
    if (packed && src->biClrUsed > 256) return KAL_ERR_WRONGFORMAT;
    if (width <= 0 || height <= 0) return KAL_ERR_PARAM;
    if (!validDimension(width) || !validDimension(height)) return KAL_ERR_PARAM;
    if (!validDimension(src->biWidth) || !validDimension(src->biHeight)) return KAL_ERR_PARAM;
    return KAL_ERR_NONE;
}

void *fail(int code)
{
    setError(nullptr, code);
    return nullptr;
}

}  // namespace

extern "C" void *KALAPI kal_ScaleDIB(BITMAPINFOHEADER *SrcInfo, void *SrcBits,
                                     BITMAPINFOHEADER *DstInfo, int Width, int Height,
                                     BOOL DeleteSrc)
{
    setError(nullptr, KAL_ERR_NONE);
    const bool packed = SrcBits == nullptr;
    const int check = checkScale(SrcInfo, packed, Width, Height);
    if (check != KAL_ERR_NONE) return fail(check);

    const unsigned colors = dib::storedColors(SrcInfo->biClrUsed);
    const auto *srcRows =
        packed ? reinterpret_cast<const uint8_t *>(SrcInfo) + dib::kHeaderBytes + colors * 4u
               : static_cast<const uint8_t *>(SrcBits);
    const Image src{
        srcRows, SrcInfo->biWidth, SrcInfo->biHeight,
        static_cast<size_t>(dib::rowStride(8, static_cast<uint64_t>(SrcInfo->biWidth)))};
    const size_t dstStride = static_cast<size_t>(dib::rowStride(8, static_cast<uint64_t>(Width)));
    // Every packed result carries the full table, whatever the source had.
    const size_t headerPart = packed ? dib::kInfoBytes : 0;

    auto *block =
        static_cast<uint8_t *>(allocBlock(headerPart + dstStride * static_cast<size_t>(Height)));
    if (!block) return fail(KAL_ERR_MEMORY);
    const Target dst{block + headerPart, Width, Height, dstStride};
    BITMAPINFOHEADER *dstHeader = packed ? reinterpret_cast<BITMAPINFOHEADER *>(block) : DstInfo;
    if (dstHeader) writeHeader(SrcInfo, dstHeader, colors, dst);
    scaleRows(src, dst);

    if (DeleteSrc) freeBlock(packed ? static_cast<void *>(SrcInfo) : SrcBits);
    return block;
}
