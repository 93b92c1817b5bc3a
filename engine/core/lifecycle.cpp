// Panorama lifecycle: kal_Create builds a record from an image, a viewport
// and an attribute block; kal_Delete releases it.
#include <cstring>
#include <memory>

#include "core/palette.h"
#include "core/panorama_setup.h"
#include "projection/projection.h"

namespace {

struct RecordReleaser {
    void operator()(Panorama *rec) const { releaseRecord(rec); }
};
using RecordPtr = std::unique_ptr<Panorama, RecordReleaser>;

// Creation errors go process-wide only: no record survives them.
HPANORAMA failCreate(int code)
{
    setError(nullptr, code);
    return nullptr;
}

Panorama *newRecord()
{
    void *block = allocBlock(sizeof(Panorama));
    if (block) std::memset(block, 0, sizeof(Panorama));
    return static_cast<Panorama *>(block);
}

void fillRecord(Panorama *rec, const BITMAPINFOHEADER &header, const RECT &viewPort,
                const KalAttribs &attribs)
{
    setImageFields(rec, header, attribs);
    rec->vpWidth = static_cast<uint16_t>(viewPort.right - viewPort.left);
    rec->vpHeight = static_cast<uint16_t>(viewPort.bottom - viewPort.top);
    rec->vpLeft = static_cast<int16_t>(viewPort.left);
    rec->vpTop = static_cast<int16_t>(viewPort.top);
    rec->maxZoom = 0;
    rec->msgNum = KAL_NOTIFY;
    rec->speed = 50;
    rec->viewerWnd = rec->notifyWnd = nullptr;
    rec->moving = 0;
}

// Differences of the caller's coordinates, taken without overflow.
int64_t viewWidthOf(const RECT &viewPort)
{
    return int64_t{viewPort.right} - viewPort.left;
}
int64_t viewHeightOf(const RECT &viewPort)
{
    return int64_t{viewPort.bottom} - viewPort.top;
}

// The set-up once the record holds the image and the viewport has passed
// its checks: the view buffer, the tables, the zoom and position limits.
HPANORAMA finishCreate(RecordPtr rec)
{
    if (!allocViewBuffer(rec.get())) return failCreate(KAL_ERR_MEMORY);
    if (!reserveShearTable(rec.get(), shearCountFor(rec->srcWidth, rec->angle)))
        return failCreate(KAL_ERR_MEMORY);
    if (!reserveLensTable(rec.get(), lensRows(rec.get()))) return failCreate(KAL_ERR_MEMORY);

    clampZoom(rec.get());
    buildLensTable(rec.get());
    clampPosition(rec.get());  // clears the last error
    return rec.release();
}

}  // namespace

extern "C" HPANORAMA KALAPI kal_Create(const BITMAPINFO *BitsInfo, const void *ImageBits,
                                       const RECT *ViewPort, const KalAttribs *Attribs)
{
    const KalAttribs attribs = readAttribs(Attribs);
    if (!BitsInfo || !ViewPort) return failCreate(KAL_ERR_PARAM);
    const BITMAPINFOHEADER &header = BitsInfo->bmiHeader;
    if (int code = checkImage(header, attribs, ImageBits == nullptr)) return failCreate(code);

    RecordPtr rec(newRecord());
    if (!rec) return failCreate(KAL_ERR_MEMORY);
    setImagePointers(rec.get(), BitsInfo, ImageBits);
    fillRecord(rec.get(), header, *ViewPort, attribs);
    copyViewInfo(rec.get(), BitsInfo);
    rec->palette = buildPalette(rec->colors, true);
    rec->ownsPalette = 1;

    if (int code = checkViewportSize(viewWidthOf(*ViewPort), viewHeightOf(*ViewPort), rec->radius,
                                     header.biHeight))
        return failCreate(code);
    return finishCreate(std::move(rec));
}

extern "C" BOOL KALAPI kal_Delete(HPANORAMA Panorama, BOOL DeleteImage)
{
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    setError(Panorama, KAL_ERR_NONE);
    // The window may still paint from the record while it goes.
    if (IsWindow(Panorama->viewerWnd)) DestroyWindow(Panorama->viewerWnd);
    if (Panorama->hotSpots && Panorama->ownsHotSpots) freeBlock(Panorama->hotSpots);
    if (DeleteImage) freeBlock(Panorama->dibBlock ? Panorama->dibBlock : Panorama->imageBits);
    releaseRecord(Panorama);
    return TRUE;
}
