// The two frames of a continuous view from one table: the moving frame
// takes the nearest source pixel of every table entry, the resting frame
// blends the four around it by the entry's fractions.
#ifndef KAL_VIEW_FRAMES_H
#define KAL_VIEW_FRAMES_H

#include "core/colour_panorama.h"
#include "view/view_table.h"

#include <cstdint>

namespace kal {

// The frame's rows in the caller's buffer, in either order.
struct FrameTarget {
    uint32_t *pixels;  // table.width x table.height, no padding
    RowOrder order;
    // The view rows drawn, [firstRow, endRow): a share of the frame for
    // another thread; the others are left as they are. -1: the last.
    int firstRow = 0, endRow = -1;
};

// `heading`: the column the view centre faces, in table fixed point,
// 0 <= heading < width << kTableFraction when the image wraps around.
void renderNearestFrame(const ViewTable &table, const ColourImage &image, bool wraps,
                        int32_t heading, const FrameTarget &target);
void renderSmoothFrame(const ViewTable &table, const ColourImage &image, bool wraps,
                       int32_t heading, const FrameTarget &target);

}  // namespace kal

#endif
