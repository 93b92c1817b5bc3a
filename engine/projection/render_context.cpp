// The render context: the record's fields that one render reads, taken once,
// and the shear table filled for the view's tilt.
#include "projection/render_context.h"

#include "projection/shear_table.h"

RenderContext makeRenderContext(Panorama *rec)
{
    RenderContext c;
    c.lens = rec->lens;
    c.lensColumns = lensColumns(rec);
    c.lensRows = lensRows(rec);
    c.image = rec->imageBits;
    c.srcWidth = rec->srcWidth;
    c.srcHeight = rec->srcHeight;
    c.hs = rec->srcHeight / 2;
    c.xPos = rec->xPos;
    c.dy = rec->yPos - c.hs;
    c.vpWidth = rec->vpWidth;
    c.vpHeight = rec->vpHeight;
    c.half = rec->vpWidth / 2;
    c.stride = viewStride(rec);
    c.wrap = rec->angle == 360;
    c.q = tiltFactor(rec);
    c.tilted = c.q != 0.0;
    c.shear = rec->shear;
    c.shearCount = rec->shearCount;
    c.view = rec->viewBits;
    if (c.tilted) fillShearTable(rec, c.q);
    return c;
}
