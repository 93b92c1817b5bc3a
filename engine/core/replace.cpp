// Image replacement: a live panorama takes a new image and attributes and
// keeps its viewport, windows, view buffer and settings. Every check and
// every allocation comes before the first change, so a failure changes nothing.
#include "core/palette.h"
#include "core/panorama_setup.h"
#include "projection/projection.h"
#include "core/viewer_window.h"

namespace {

// The tables must hold what the new image needs: the creation sized them for
// the old one. Shear first, since its contents mean nothing between renders;
// when the lens then cannot grow, shearCount goes back and only the shear
// block's (larger) capacity shows that anything happened.
bool reserveTables(Panorama *rec, const BITMAPINFOHEADER &header, const KalAttribs &attribs)
{
    const int horizon = static_cast<int16_t>(attribs.horizon);
    const int rows = header.biHeight + (horizon < 0 ? -horizon : horizon) + 1;
    const int oldShearCount = rec->shearCount;
    if (!reserveShearTable(rec, shearCountFor(header.biWidth, attribAngle(attribs)))) return false;
    if (reserveLensTable(rec, rows)) return true;
    rec->shearCount = oldShearCount;
    return false;
}

// The caller's old image, released on request. A block that still holds the
// new image (the same block, or the same rows) stays, or the record would
// keep a freed image.
void releaseOldImage(Panorama *rec, const BITMAPINFO *info, const void *bits)
{
    void *old = rec->dibBlock ? rec->dibBlock : rec->imageBits;
    const bool stillUsed =
        old == static_cast<const void *>(info) || old == bits || (bits && rec->imageBits == bits);
    if (!stillUsed) freeBlock(old);
}

// An owned hotspot array would be lost when the new attributes overwrite it.
// When they hand the same array on, the record keeps it, and keeps owning it
// whatever their flags say: the array was the record's to release. Returns
// whether the record goes on owning it.
bool releaseOldHotSpots(Panorama *rec, const KalAttribs &attribs)
{
    const KalHotSpot *next = attribs.numHotSpots >= 1 ? attribs.hotSpots : nullptr;
    const bool owned = rec->hotSpots && rec->ownsHotSpots;
    const bool handedOn = owned && rec->hotSpots == next;
    if (owned && !handedOn) freeBlock(rec->hotSpots);
    rec->hotSpots = nullptr;
    rec->ownsHotSpots = 0;
    return handedOn;
}

}  // namespace

extern "C" BOOL KALAPI kal_Replace(HPANORAMA Panorama, const BITMAPINFO *BitsInfo,
                                   const void *ImageBits, const KalAttribs *Attribs, BOOL DeleteDIB)
{
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    HPANORAMA rec = Panorama;
    setError(rec, KAL_ERR_NONE);

    const KalAttribs attribs = readAttribs(Attribs);
    if (!BitsInfo) return setError(rec, KAL_ERR_PARAM);
    const BITMAPINFOHEADER &header = BitsInfo->bmiHeader;
    if (int code = checkImage(header, attribs, ImageBits == nullptr)) return setError(rec, code);
    const int radius = radiusFor(header.biWidth, attribAngle(attribs));
    if (int code = checkViewportSize(rec->vpWidth, rec->vpHeight, radius, header.biHeight))
        return setError(rec, code);
    if (!reserveTables(rec, header, attribs)) return setError(rec, KAL_ERR_MEMORY);

    if (DeleteDIB) releaseOldImage(rec, BitsInfo, ImageBits);
    if (rec->ownsPalette && rec->palette) DeleteObject(rec->palette);
    const bool keepsHotSpots = releaseOldHotSpots(rec, attribs);

    setImagePointers(rec, BitsInfo, ImageBits);
    setImageFields(rec, header, attribs);
    if (keepsHotSpots) rec->ownsHotSpots = 1;
    copyViewInfo(rec, BitsInfo);
    rec->palette = buildPalette(rec->colors, true);
    rec->ownsPalette = 1;

    clampZoom(rec);
    buildLensTable(rec);
    clampPosition(rec);  // clears the last error
    invalidateViewer(rec);
    return 1;
}
