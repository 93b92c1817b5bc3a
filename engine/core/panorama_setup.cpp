// Panorama set-up shared by creation and image replacement: checks, geometry,
// image pointers, the view header and the table blocks.
#include "core/panorama_setup.h"

#include <cstring>

#include "projection/projection.h"

namespace {

// Table blocks above kMaxBlockBytes are refused like a failing heap.

void *allocTable(uint64_t bytes)
{
    if (bytes == 0) bytes = 4;  // an empty table still gets a block of its own
    return bytes > kMaxBlockBytes ? nullptr : allocBlock(static_cast<size_t>(bytes));
}

int checkFormat(const BITMAPINFOHEADER &h, bool packed)
{
    if (h.biBitCount != 8) return KAL_ERR_WRONGFORMAT;
    // Compressed rows cannot be sampled in place.
    if (h.biCompression != BI_RGB) return KAL_ERR_WRONGFORMAT;
    // The colour count places the rows of a packed block: more than 256
    // colours would put them far beyond its table. Separate rows do not
    // depend on it (256 colours are read either way).
    if (packed && h.biClrUsed > 256) return KAL_ERR_WRONGFORMAT;
    return KAL_ERR_NONE;
}

int checkSize(const BITMAPINFOHEADER &h)
{
    if (h.biWidth & 3) return KAL_ERR_IMGSIZE;
    if (h.biWidth <= 0 || h.biWidth > kMaxImageWidth) return KAL_ERR_IMGSIZE;
    // A negative height would be a top-down image; rows are bottom-up here.
    if (h.biHeight <= 0 || h.biHeight > kMaxImageHeight) return KAL_ERR_IMGSIZE;
    return KAL_ERR_NONE;
}

}  // namespace

KalAttribs readAttribs(const KalAttribs *attribs)
{
    KalAttribs a = {};
    if (attribs) std::memcpy(&a, attribs, sizeof a);
    return a;
}

int checkImage(const BITMAPINFOHEADER &header, const KalAttribs &attribs, bool packed)
{
    if (int code = checkFormat(header, packed)) return code;
    if (int code = checkSize(header)) return code;
    const int angle = attribAngle(attribs);
    if (angle < 1 || angle > 360) return KAL_ERR_ANGLE;
    if (radiusFor(header.biWidth, angle) > kMaxRadius) return KAL_ERR_IMGSIZE;
    if (attribs.numHotSpots < 0) return KAL_ERR_PARAM;
    return KAL_ERR_NONE;
}

int checkViewportSize(int64_t width, int64_t height, int radius, int imageHeight)
{
    if (width < 2 || height < 1) return KAL_ERR_VPSIZE;
    if (width > viewportWidthLimit(radius)) return KAL_ERR_VPSIZE;
    if (height > imageHeight) return KAL_ERR_VPSIZE;
    return KAL_ERR_NONE;
}

void setImagePointers(Panorama *rec, const BITMAPINFO *info, const void *bits)
{
    if (bits) {
        rec->imageBits = static_cast<uint8_t *>(const_cast<void *>(bits));
        rec->dibBlock = nullptr;
        return;
    }
    const DWORD colours = info->bmiHeader.biClrUsed ? info->bmiHeader.biClrUsed : 256;
    auto *block = reinterpret_cast<uint8_t *>(const_cast<BITMAPINFO *>(info));
    rec->imageBits = block + 40 + 4 * colours;
    rec->dibBlock = block;
}

void setImageFields(Panorama *rec, const BITMAPINFOHEADER &header, const KalAttribs &attribs)
{
    const int angle = attribAngle(attribs);
    rec->srcWidth = static_cast<uint16_t>(header.biWidth);
    rec->srcHeight = static_cast<uint16_t>(header.biHeight);
    rec->radius = static_cast<uint16_t>(radiusFor(header.biWidth, angle));
    rec->angle = static_cast<int16_t>(angle);
    rec->horizon = static_cast<int16_t>(attribs.horizon);
    rec->orientation = static_cast<int16_t>(attribs.orientation);
    rec->xPos = static_cast<int16_t>(header.biWidth / 2);
    rec->yPos = static_cast<int16_t>(header.biHeight / 2);
    rec->zPos = 0;
    rec->numHotSpots = attribs.numHotSpots;
    const bool any = attribs.numHotSpots >= 1;
    rec->hotSpots = any ? attribs.hotSpots : nullptr;
    rec->ownsHotSpots = any ? static_cast<int32_t>(attribs.flags & KAL_ATTRIB_OWNHOTSPOTS) : 0;
    rec->hitHotSpot = -1;
}

void copyViewInfo(Panorama *rec, const BITMAPINFO *info)
{
    std::memcpy(&rec->viewInfo, info, sizeof rec->viewInfo);
    std::memcpy(rec->colors, reinterpret_cast<const uint8_t *>(info) + 40, sizeof rec->colors);
    const uint32_t width = rec->vpWidth, height = rec->vpHeight;
    rec->viewInfo.biWidth = static_cast<LONG>(width);
    rec->viewInfo.biHeight = static_cast<LONG>(height);
    rec->viewInfo.biSizeImage = (((width * 8) + 31) & ~31u) / 8 * height;
    rec->viewInfo.biCompression = BI_RGB;
}

bool allocViewBuffer(Panorama *rec)
{
    const uint64_t bytes = static_cast<uint64_t>(viewStride(rec)) * rec->vpHeight;
    void *buffer = allocTable(bytes);
    if (!buffer) return false;
    std::memset(buffer, 0, static_cast<size_t>(bytes));
    freeBlock(rec->viewBits);
    rec->viewBits = static_cast<uint8_t *>(buffer);
    return true;
}

bool reserveShearTable(Panorama *rec, int count)
{
    if (!rec->shear || count > rec->shearAllocated) {
        void *table = allocTable(static_cast<uint64_t>(count) * sizeof(int32_t));
        if (!table) return false;
        freeBlock(rec->shear);
        rec->shear = static_cast<int32_t *>(table);
        rec->shearAllocated = count;
    }
    rec->shearCount = count;
    return true;
}

bool reserveLensTable(Panorama *rec, int rows)
{
    if (rec->lens && rows <= rec->lensRowsAllocated) return true;
    const uint64_t bytes = static_cast<uint64_t>(lensColumns(rec)) * rows * sizeof(uint32_t);
    void *table = allocTable(bytes);
    if (!table) return false;
    freeBlock(rec->lens);
    rec->lens = static_cast<uint32_t *>(table);
    rec->lensRowsAllocated = rows;
    return true;
}

void releaseRecord(Panorama *rec)
{
    freeBlock(rec->viewBits);
    freeBlock(rec->shear);
    freeBlock(rec->lens);
    if (rec->ownsPalette && rec->palette) DeleteObject(rec->palette);
    freeBlock(rec);
}
