// The panorama record: the engine's whole state for one panorama, and the
// internal routines that every subsystem shares.
#ifndef KAL_PANORAMA_H
#define KAL_PANORAMA_H

#include "core/kalengine.h"

#include <cstddef>
#include <cstdint>

struct Panorama {
    uint16_t srcWidth;  // the source row stride too: a multiple of 4
    uint16_t srcHeight;
    uint16_t vpWidth;
    uint16_t vpHeight;
    int16_t vpLeft;
    int16_t vpTop;
    uint16_t radius;  // cylinder radius in source pixels
    int16_t angle;    // 1..360
    int16_t horizon;
    int16_t orientation;
    int16_t xPos;
    int16_t yPos;
    int16_t zPos;
    int16_t maxZoom;
    int32_t msgNum;
    int16_t id;
    uint16_t speed;
    int32_t numHotSpots;
    KalHotSpot *hotSpots;
    int32_t ownsHotSpots;
    int32_t hitHotSpot;
    uint32_t *lens;  // lensColumns x lensRows entries (see lens_table.h)
    int32_t shearCount;
    int32_t *shear;
    uint16_t error;
    int32_t moving;
    HPALETTE palette;
    int32_t ownsPalette;
    HWND viewerWnd;
    HWND notifyWnd;
    BITMAPINFOHEADER viewInfo;
    RGBQUAD colors[256];  // must follow viewInfo: together one BITMAPINFO
    uint8_t *viewBits;
    void *dibBlock;
    uint8_t *imageBits;
    // Capacities of the tables, so that a replacement image can tell whether
    // they must grow.
    int32_t lensRowsAllocated;
    int32_t shearAllocated;  // entries of the shear block, >= shearCount
};

static_assert(offsetof(Panorama, colors) == offsetof(Panorama, viewInfo) + sizeof(BITMAPINFOHEADER),
              "viewInfo and colors must form one BITMAPINFO");

// Pixels (bytes) per view row: rows are padded to 4 bytes.
inline int viewStride(const Panorama *rec)
{
    return (rec->vpWidth + 3) & ~3;
}

// Stores code process-wide and, for a non-null record, in the record.
// Returns 0 so that failing paths can return its result.
int setError(Panorama *rec, int code);

// Process heap blocks, the allocator that crosses the interface.
void *allocBlock(size_t size);
void freeBlock(void *block);
// Largest block allocBlock hands out: HeapAlloc's size on a 32-bit heap, and
// what a 32-bit caller can hold.
constexpr uint64_t kMaxBlockBytes = INT32_MAX;

#endif
