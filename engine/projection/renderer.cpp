// kal_GetView and the renderer. The view is drawn in chunks of lens
// columns; for each chunk the source columns of the lens columns are worked
// out once (wrapped or clamped for a level view), and every row (or pair of
// rows at +i and -i, which share a lens row) goes to the loop specialised
// for its sign, shear and column fix. Tilted rows whose shear carries
// columns more than an image width past the wrap are cut into straight runs.
#include "projection/projection.h"
#include "projection/render_context.h"
#include "projection/render_runs.h"
#include "projection/render_spans.h"
#include "projection/renderer.h"

#include <cstring>

using renderruns::columnBounds;
using renderruns::renderHalf;

namespace {

bool forceReference = false;

// Lens columns per chunk: the column tables live on the stack.
constexpr int kChunk = 1024;

struct Chunk {
    int j0, j1;        // lens columns [j0, j1)
    bool shearFits16;  // every factor and the image width fit 16 bits
    int32_t colRight[kChunk], colLeft[kChunk], shear[kChunk], shearHigh[kChunk];
    ColumnTables tables(int j) const
    {
        const int n = j - j0;
        return {colRight + n, colLeft + n, shear + n, shearFits16 ? shearHigh + n : nullptr};
    }
};

int64_t wrapOrClamp(const RenderContext &c, int64_t col)
{
    if (c.wrap) return renderruns::stretchOf(c, col).shift + col;
    return col < 0 ? 0 : (col >= c.srcWidth ? c.srcWidth - 1 : col);
}

// A level view's columns are the same for every row: wrap or clamp them
// here, once. A tilted view's get the shear per row, so they stay raw.
void fillChunk(const RenderContext &c, Chunk &k)
{
    k.shearFits16 = c.srcWidth <= 32767;
    for (int j = k.j0; j < k.j1; ++j) {
        const int x = lensX(c.lens[j]);
        const int n = j - k.j0;
        if (c.tilted) {
            k.colRight[n] = c.xPos + x;
            k.colLeft[n] = c.xPos - x;
            k.shear[n] = c.shear[x];
            k.shearHigh[n] = static_cast<int32_t>(static_cast<uint32_t>(k.shear[n]) << 16);
            k.shearFits16 = k.shearFits16 && k.shear[n] >= -32768 && k.shear[n] <= 32767;
        } else {
            k.colRight[n] = static_cast<int32_t>(wrapOrClamp(c, int64_t{c.xPos} + x));
            k.colLeft[n] = static_cast<int32_t>(wrapOrClamp(c, int64_t{c.xPos} - x));
            k.shear[n] = k.shearHigh[n] = 0;
        }
    }
}

// One row (or row pair) of one chunk.
struct RowTask {
    const uint32_t *lensRow;
    uint8_t *out;      // view row, at the centre column
    uint8_t *outPair;  // the row at -i for a pair, else null
    int sigma;         // sign of the row at out
};

// Whether every source row that lens row lensRow can produce with sign
// sigma lies inside the image (Y falls along a row, so the ends decide).
bool rowsInside(const RenderContext &c, const uint32_t *lensRow, int sigma)
{
    const int first = c.hs + sigma * lensY(lensRow[0]);
    const int last = c.hs + sigma * lensY(lensRow[c.lensColumns - 1]);
    return first >= 0 && first < c.srcHeight && last >= 0 && last < c.srcHeight;
}

// Bounds of the source columns of one row half (none when it is empty).
template <int Tau, int Sigma>
void widenByHalf(const RenderContext &c, const uint32_t *lensRow, int j0, int j1, int64_t *lo,
                 int64_t *hi)
{
    if (j0 >= j1) return;
    int64_t l, h;
    columnBounds<Tau, Sigma, true>(c, lensRow, j0, j1, &l, &h);
    *lo = l < *lo ? l : *lo;
    *hi = h > *hi ? h : *hi;
}

// The view's two row halves as lens column ranges within the chunk.
struct Halves {
    int rightBegin, rightEnd, leftBegin, leftEnd;
};

Halves halvesIn(const RenderContext &c, const Chunk &k)
{
    auto cut = [&k](int lo, int hi, int *b, int *e) {
        *b = lo > k.j0 ? lo : k.j0;
        *e = hi < k.j1 ? hi : k.j1;
        if (*e < *b) *e = *b;
    };
    Halves h;
    cut(0, c.vpWidth - c.half, &h.rightBegin, &h.rightEnd);
    cut(1, c.half + 1, &h.leftBegin, &h.leftEnd);
    return h;
}

// The pixels of one half that the other half lacks (lens column 0 on the
// right; lens column vpWidth / 2 on the left of an even-width view).
template <int Sigma, bool Sheared, ColumnFix Fix>
void lonePixels(const RenderContext &c, const Chunk &k, const Halves &h, int common0, int common1,
                const uint32_t *lensRow, uint8_t *out)
{
    const uint8_t *centre = centreOf(c);
    auto sample = [&](int j, int tau) {
        const int ys = Sigma * lensY(lensRow[j]);
        const int n = j - k.j0;
        int col = tau > 0 ? k.colRight[n] : k.colLeft[n];
        if (Sheared) col = fixColumn<Fix>(col + tau * ((ys * k.shear[n]) >> 8), c.srcWidth);
        out[tau * j] = centre[ys * static_cast<ptrdiff_t>(c.srcWidth) + col];
    };
    auto outside = [&](int begin, int end, int tau) {
        for (int j = begin; j < end && j < common0; ++j) sample(j, tau);
        for (int j = common1 > begin ? common1 : begin; j < end; ++j) sample(j, tau);
    };
    outside(h.rightBegin, h.rightEnd, 1);
    outside(h.leftBegin, h.leftEnd, -1);
}

template <bool Pair, int Sigma, bool Sheared, ColumnFix Fix = ColumnFix::None>
void quadrantRow(const RenderContext &c, const Chunk &k, const Halves &h, const RowTask &task)
{
    const int common0 = h.rightBegin > h.leftBegin ? h.rightBegin : h.leftBegin;
    int common1 = h.rightEnd < h.leftEnd ? h.rightEnd : h.leftEnd;
    if (common1 < common0) common1 = common0;
    const uint8_t *centre = centreOf(c);
    uint8_t *outPair = Pair ? task.outPair + common0 : nullptr;
    if (Sheared)
        tiltedSpan<Pair, Sigma, Fix>(task.out + common0, outPair, common0, common1 - common0,
                                     task.lensRow + common0, k.tables(common0), centre, c.srcWidth);
    else
        levelSpan<Pair, Sigma>(task.out + common0, outPair, common0, common1 - common0,
                               task.lensRow + common0, k.tables(common0), centre, c.srcWidth);
    lonePixels<Sigma, Sheared, Fix>(c, k, h, common0, common1, task.lensRow, task.out);
    if (Pair) lonePixels<-1, Sheared, Fix>(c, k, h, common0, common1, task.lensRow, task.outPair);
}

template <int Sigma>
void runsRow(const RenderContext &c, const Halves &h, const uint32_t *lensRow, uint8_t *out)
{
    renderHalf<-1, Sigma, true>(c, out - h.leftBegin, lensRow, h.leftBegin, h.leftEnd);
    renderHalf<1, Sigma, true>(c, out + h.rightBegin, lensRow, h.rightBegin, h.rightEnd);
}

// How a tilted row (or pair) keeps its columns in the image: its column
// bounds decide once per row. Only a shear that carries columns more than
// an image width past the wrap needs the runs.
// PerRow: the view as a whole did not decide; every row finds its own.
enum class TiltPath { Inside, WrapHigh, WrapLow, Wrap, Clamp, Runs, PerRow };

template <int Sigma>
void widenByRow(const RenderContext &c, const Halves &h, const uint32_t *lensRow, int64_t *lo,
                int64_t *hi)
{
    widenByHalf<-1, Sigma>(c, lensRow, h.leftBegin, h.leftEnd, lo, hi);
    widenByHalf<1, Sigma>(c, lensRow, h.rightBegin, h.rightEnd, lo, hi);
}

// The path for columns within [lo, hi].
TiltPath pathFor(const RenderContext &c, int64_t lo, int64_t hi)
{
    const int64_t w = c.srcWidth;
    if (lo >= 0 && hi < w) return TiltPath::Inside;
    if (!c.wrap) return TiltPath::Clamp;
    if (lo < -w || hi >= 2 * w) return TiltPath::Runs;
    return lo >= 0 ? TiltPath::WrapHigh : (hi < w ? TiltPath::WrapLow : TiltPath::Wrap);
}

TiltPath rowPath(const RenderContext &c, const Halves &h, const RowTask &task)
{
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    if (task.outPair || task.sigma > 0) widenByRow<1>(c, h, task.lensRow, &lo, &hi);
    if (task.outPair || task.sigma < 0) widenByRow<-1>(c, h, task.lensRow, &lo, &hi);
    return pathFor(c, lo, hi);
}

template <bool Pair, int Sigma>
void tiltedRow(const RenderContext &c, const Chunk &k, const Halves &h, const RowTask &task,
               TiltPath viewPath)
{
    using F = ColumnFix;
    switch (viewPath == TiltPath::PerRow ? rowPath(c, h, task) : viewPath) {
        case TiltPath::Inside:
            return quadrantRow<Pair, Sigma, true, F::None>(c, k, h, task);
        case TiltPath::WrapHigh:
            return quadrantRow<Pair, Sigma, true, F::WrapHigh>(c, k, h, task);
        case TiltPath::WrapLow:
            return quadrantRow<Pair, Sigma, true, F::WrapLow>(c, k, h, task);
        case TiltPath::Wrap:
            return quadrantRow<Pair, Sigma, true, F::Wrap>(c, k, h, task);
        case TiltPath::Clamp:
            return quadrantRow<Pair, Sigma, true, F::Clamp>(c, k, h, task);
        case TiltPath::Runs:
        case TiltPath::PerRow:
            runsRow<Sigma>(c, h, task.lensRow, task.out);
            if (Pair) runsRow<-1>(c, h, task.lensRow, task.outPair);
    }
}

void renderTask(const RenderContext &c, const Chunk &k, const RowTask &task, TiltPath viewPath)
{
    const Halves h = halvesIn(c, k);
    if (!c.tilted) {
        if (task.outPair) return quadrantRow<true, 1, false>(c, k, h, task);
        if (task.sigma > 0) return quadrantRow<false, 1, false>(c, k, h, task);
        return quadrantRow<false, -1, false>(c, k, h, task);
    }
    if (task.outPair) return tiltedRow<true, 1>(c, k, h, task, viewPath);
    if (task.sigma > 0) return tiltedRow<false, 1>(c, k, h, task, viewPath);
    tiltedRow<false, -1>(c, k, h, task, viewPath);
}

// Every row of one chunk. A row at +i takes its partner at -i along when
// both are in view; rows the spans cannot serve safely (a lens row past
// the table, source rows outside the image) go to the reference loop once.
void renderChunk(const RenderContext &c, const Chunk &k, TiltPath viewPath)
{
    for (int r = 0; r < c.vpHeight; ++r) {
        const int t = c.dy + r - c.vpHeight / 2;
        const int i = t >= 0 ? t : -t;
        const bool ok = i < c.lensRows;
        const uint32_t *lensRow = ok ? c.lens + static_cast<ptrdiff_t>(i) * c.lensColumns : nullptr;
        const bool up = ok && rowsInside(c, lensRow, 1), down = ok && rowsInside(c, lensRow, -1);
        if (!(t >= 0 ? up : down)) {
            if (k.j0 == 0) renderReferenceRow(c, r);
            continue;
        }
        const int partner = r - 2 * t;  // the row at -t
        const bool paired = t != 0 && up && down && partner >= 0 && partner < c.vpHeight;
        if (paired && t < 0) continue;  // drawn with its partner
        uint8_t *out = viewRow(c, r) + c.half;
        uint8_t *outPair = paired ? viewRow(c, partner) + c.half : nullptr;
        renderTask(c, k, {lensRow, out, outPair, t >= 0 ? 1 : -1}, viewPath);
    }
}

// The column path of a whole tilted view, judged once from the largest lens
// offset, row distance and shear factor, so that rows need no bounds of
// their own; PerRow when the view's bounds do not decide (a partial view
// that reaches an edge, or a shear beyond one wrap).
TiltPath tiltedViewPath(const RenderContext &c)
{
    const int top = c.dy + c.vpHeight - 1 - c.vpHeight / 2, bottom = c.dy - c.vpHeight / 2;
    const int rowMax = top > -bottom ? top : -bottom;
    if (rowMax >= c.lensRows) return TiltPath::PerRow;
    const int64_t xMax = lensX(c.lens[c.lensColumns - 1]);
    const int64_t yMax = lensY(c.lens[static_cast<ptrdiff_t>(rowMax) * c.lensColumns]);
    const int64_t factor = c.shear[xMax] < 0 ? -int64_t{c.shear[xMax]} : c.shear[xMax];
    const int64_t shift = ((yMax < 0 ? -yMax : yMax) * factor >> 8) + 1;
    const TiltPath path = pathFor(c, c.xPos - xMax - shift, c.xPos + xMax + shift);
    return path == TiltPath::Clamp || path == TiltPath::Runs ? TiltPath::PerRow : path;
}

// The spans work out source offsets in 32 bits, index the shear table with
// X and multiply Y by a shear factor in 32 bits: the image must be well
// below 2^31 bytes, the largest X must have a shear entry, and its factor
// must keep Y * factor in range. Anything else takes the reference loop.
bool spansApply(const RenderContext &c)
{
    if (int64_t{c.srcWidth} * c.srcHeight >= (int64_t{1} << 30)) return false;
    if (!c.tilted) return true;
    const int xMax = lensX(c.lens[c.lensColumns - 1]);
    if (xMax >= c.shearCount) return false;
    const int32_t f = c.shear[xMax];
    return f <= 65535 && f >= -65535;
}

void renderSpans(const RenderContext &c)
{
    const TiltPath viewPath = c.tilted ? tiltedViewPath(c) : TiltPath::Inside;
    Chunk chunk;
    for (int j0 = 0; j0 < c.lensColumns; j0 += kChunk) {
        chunk.j0 = j0;
        chunk.j1 = j0 + kChunk < c.lensColumns ? j0 + kChunk : c.lensColumns;
        fillChunk(c, chunk);
        renderChunk(c, chunk, viewPath);
    }
}

}  // namespace

void setReferenceRendering(bool on)
{
    forceReference = on;
}

void renderView(Panorama *rec)
{
    const RenderContext c = makeRenderContext(rec);
    if (c.vpWidth == 0 || c.srcWidth == 0 || c.srcHeight == 0 || c.lensRows == 0) return;
    if (forceReference || !spansApply(c)) {
        for (int r = 0; r < c.vpHeight; ++r) renderReferenceRow(c, r);
        return;
    }
    renderSpans(c);
}

extern "C" void *KALAPI kal_GetView(HPANORAMA Panorama, BITMAPINFO *BitsInfo)
{
    if (!Panorama) {
        setError(nullptr, KAL_ERR_PARAM);
        return nullptr;
    }
    setError(Panorama, KAL_ERR_NONE);
    if (BitsInfo) {
        std::memcpy(&BitsInfo->bmiHeader, &Panorama->viewInfo, sizeof Panorama->viewInfo);
        std::memcpy(reinterpret_cast<uint8_t *>(BitsInfo) + sizeof Panorama->viewInfo,
                    Panorama->colors, sizeof Panorama->colors);
    }
    renderView(Panorama);
    return Panorama->viewBits;
}
