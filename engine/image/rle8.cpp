// RLE8 decoding: encoded runs, end of line, end of bitmap, delta and
// absolute runs, every write checked against the room left in the area.
#include "image/rle8.h"

#include <algorithm>
#include <cstring>

namespace {

enum Escape { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2 };

// Output cursor over the pixel area; `pos` never exceeds `size`.
struct Output {
    uint8_t *area;
    size_t stride;
    size_t size;
    size_t pos;

    bool full() const { return pos >= size; }
    void fill(int value, size_t count)
    {
        count = std::min(count, size - pos);
        std::memset(area + pos, value, count);
        pos += count;
    }
    // Start of the next row, unless already at the start of one.
    void endLine() { pos = (pos + stride - 1) / stride * stride; }
    // Right dx and up dy rows; a target past the area fills it.
    void move(unsigned dx, unsigned dy)
    {
        uint64_t target = uint64_t{pos} + dx + uint64_t{dy} * stride;
        pos = target >= size ? size : static_cast<size_t>(target);
    }
};

// Absolute run: `count` literal bytes, padded to an even count in the stream.
bool copyLiterals(ByteSource &source, Output &out, int count)
{
    for (int k = 0; k < count; ++k) {
        int byte = source.next();
        if (byte < 0 || out.full()) return false;
        out.area[out.pos++] = static_cast<uint8_t>(byte);
    }
    if (count & 1) return source.next() >= 0;
    return true;
}

// Handles the byte after a 0 count; false when decoding ends.
bool escape(ByteSource &source, Output &out)
{
    int code = source.next();
    switch (code) {
    case -1:
    case kEndOfBitmap:
        return false;
    case kEndOfLine:
        out.endLine();
        return true;
    case kDelta: {
        int dx = source.next();
        int dy = source.next();
        if (dx < 0 || dy < 0) return false;
        out.move(static_cast<unsigned>(dx), static_cast<unsigned>(dy));
        return true;
    }
    default:
        return copyLiterals(source, out, code);
    }
}

}  // namespace

void decodeRle8(ByteSource &source, uint8_t *area, size_t stride, size_t rows)
{
    Output out{area, stride, stride * rows, 0};
    while (!out.full()) {
        int count = source.next();
        if (count < 0) return;
        if (count == 0) {
            if (!escape(source, out)) return;
            continue;
        }
        int value = source.next();
        if (value < 0) return;
        out.fill(value, static_cast<size_t>(count));
    }
}
