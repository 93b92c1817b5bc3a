// The view's table: for every view pixel the source point it shows when
// the view faces heading 0 of its own frame, in fixed point. A turn adds
// one column offset; only a new pitch, field or view size rebuilds it.
#ifndef KAL_VIEW_TABLE_H
#define KAL_VIEW_TABLE_H

#include "core/colour_panorama.h"
#include "view/geometry.h"

#include <cstdint>
#include <memory>

namespace kal {

// Fraction bits of the table's coordinates: 1/4096 pixel.
constexpr int kTableFraction = 12;
constexpr int32_t kTableOne = 1 << kTableFraction;

struct ViewTable {
    int width = 0, height = 0;  // the view's
    double pitch = 0, hfov = 0;
    // width x height entries, top row first: the column relative to the
    // column the view centre faces (within a width either way), and the row
    // (clamped to the image's rows).
    std::unique_ptr<int32_t[]> column, row;
    // The moving frame's entries, so that it reads one 32-bit value a pixel
    // as a gather reads its offsets: the column at nearFraction bits plus the
    // nearest row's offset from the top row (its width times the row, negated
    // for rows bottom-up) at the same bits. Empty where the image is too
    // large for 32 bits; the frame then reads the column and the row.
    std::unique_ptr<int32_t[]> nearOffset;
    int nearFraction = kTableFraction;
    RowOrder rows = RowOrder::bottomUp;  // of the image the near entries are for
    // Per run of kTableCell pixels of a row, its least and greatest column:
    // a run that stays on one side of the wrap (or inside the edges) is
    // gathered whole, only the others pixel by pixel.
    std::unique_ptr<int32_t[]> runLow, runHigh;
    int runs = 0;                                  // a row's
    std::unique_ptr<int32_t[]> lineLow, lineHigh;  // the same over each whole row
    int exactCells = 0;  // pixels computed one by one, in whole cells (for benchmarks)
};

// Grid spacing: points every kTableCell pixels are exact, the pixels
// between interpolated where that stays within kTableTolerance pixels of
// the exact mapping at the cell's centre and edge midpoints, else the
// cell's quarters in turn, down to 4 pixels, then exact.
constexpr int kTableCell = 16;
constexpr double kTableTolerance = 1.0 / 32;

// Fills `table` for the pitch and field (degrees) of a width x height
// view of an image whose rows lie in the order `rows`; false (the table
// emptied) when its memory cannot be had.
bool buildViewTable(const Geometry &g, double pitch, double hfov, int width, int height,
                    RowOrder rows, ViewTable &table);

// The exact table entry of view pixel (u, v) in pixels, unrounded and
// unclamped: the mapping the table stands for.
SourcePoint exactTableEntry(const Geometry &g, double pitch, double hfov, int width, int height,
                            int u, int v);

}  // namespace kal

#endif
