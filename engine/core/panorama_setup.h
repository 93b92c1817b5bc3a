// Pieces of panorama set-up that kal_Create and kal_Replace share: the image
// and attribute checks, the cylinder geometry, the image pointers, the view
// header and the tables with their capacities.
#ifndef KAL_PANORAMA_SETUP_H
#define KAL_PANORAMA_SETUP_H

#include "core/kalinput.h"
#include "core/panorama.h"

#include <cstdint>

// The size limits, public in kalinput.h.
using kal::kMaxImageHeight;
using kal::kMaxImageWidth;
using kal::kMaxRadius;

// The caller's attribute block, or all zeros when there is none.
KalAttribs readAttribs(const KalAttribs *attribs);

// The checks of an image header and an attribute block, in this order:
// bit count, compression and, for a packed block (rows behind the colour
// table), the colour count (KAL_ERR_WRONGFORMAT), width and height
// (KAL_ERR_IMGSIZE), angle (KAL_ERR_ANGLE), the radius that width and angle
// give (KAL_ERR_IMGSIZE), hotspot count (KAL_ERR_PARAM).
// Returns KAL_ERR_NONE or the code of the first failing check.
int checkImage(const BITMAPINFOHEADER &header, const KalAttribs &attribs, bool packed);

// The angle an attribute block stands for: 0 means 360.
inline int attribAngle(const KalAttribs &attribs)
{
    return attribs.angle == 0 ? 360 : attribs.angle;
}

// Cylinder radius in source pixels; width and angle as checkImage accepts.
inline int radiusFor(int width, int angle)
{
    return (width * 92160) / (angle * 1608);
}
// Widest viewport a radius admits: a quarter of the circumference.
inline int viewportWidthLimit(int radius)
{
    return (radius * 804) / 512;
}
// Entries of the shear table: the source columns that span 45 degrees,
// c = (width * 360) / (angle * 8). The renderer reads entry x(j) for every
// lens column; zoom limits keep x(j) <= round(width * 45 / angle) <= c + 1,
// which is below c when c >= 16, so only tiny cylinders need two more.
inline int shearCountFor(int width, int angle)
{
    const int count = (width * 360) / (angle * 8);
    return count < 16 ? count + 2 : count;
}

// KAL_ERR_NONE when a viewport of this size is at least 2 columns wide and
// 1 row high and fits the radius and image height, else KAL_ERR_VPSIZE.
int checkViewportSize(int64_t width, int64_t height, int radius, int imageHeight);

// imageBits and dibBlock: the rows come from `bits`, or from the packed
// block `info` after its header and colour table when `bits` is null.
void setImagePointers(Panorama *rec, const BITMAPINFO *info, const void *bits);

// srcWidth, srcHeight, radius, angle, horizon, orientation and the hotspots
// from a checked header and attribute block; the view centred at zoom 0.
void setImageFields(Panorama *rec, const BITMAPINFOHEADER &header, const KalAttribs &attribs);

// viewInfo and colors from the image (always 256 colours), with viewInfo
// describing the view buffer of vpWidth x vpHeight.
void copyViewInfo(Panorama *rec, const BITMAPINFO *info);

// The zero-filled view buffer for vpWidth x vpHeight; false when refused.
bool allocViewBuffer(Panorama *rec);

// Make the shear table hold `count` entries and set shearCount; a larger
// table is kept. On refusal (false) the record is unchanged.
bool reserveShearTable(Panorama *rec, int count);

// Make the lens table hold `rows` rows of lensColumns entries; a larger table
// is kept. On refusal (false) the record is unchanged.
bool reserveLensTable(Panorama *rec, int rows);

// Releases the view buffer, both tables and an owned palette (not the image,
// not the hotspots), then the record itself.
void releaseRecord(Panorama *rec);

#endif
