// RLE8 decoding: encoded runs, end of line, end of bitmap, delta and
// absolute runs, every write checked against the room left in the area.
#include "image/rle8.h"

#include <algorithm>
#include <cstring>

namespace {

enum Escape { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2 };

// Runs hold at most 255 bytes, and most only a few. They are copied and
// filled inline in stores of 8 or 4 bytes, the last store overlapping the
// one before it so that nothing lands past the run: a library call, or the
// string instruction a compiler makes of it for such sizes, would cost more
// than the bytes.
inline void copy8(uint8_t *to, const uint8_t *from)
{
    uint64_t v;
    std::memcpy(&v, from, 8);
    std::memcpy(to, &v, 8);
}

inline void copy4(uint8_t *to, const uint8_t *from)
{
    uint32_t v;
    std::memcpy(&v, from, 4);
    std::memcpy(to, &v, 4);
}

inline void copyBytes(uint8_t *to, const uint8_t *from, size_t n)
{
    if (n >= 8) {
        for (size_t k = 0; k + 8 < n; k += 8) copy8(to + k, from + k);
        copy8(to + n - 8, from + n - 8);
    } else if (n >= 4) {
        copy4(to, from);
        copy4(to + n - 4, from + n - 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

inline void fillBytes(uint8_t *to, uint8_t value, size_t n)
{
    uint8_t pattern[8];
    std::memset(pattern, value, sizeof pattern);
    if (n >= 8) {
        for (size_t k = 0; k + 8 < n; k += 8) copy8(to + k, pattern);
        copy8(to + n - 8, pattern);
    } else if (n >= 4) {
        copy4(to, pattern);
        copy4(to + n - 4, pattern);
    } else if (n > 0) {
        to[0] = to[n / 2] = to[n - 1] = value;
    }
}

// Input cursor over the source's present piece. It lives in the decoder's
// frame, so its pointers stay in registers although the pixel stores (bytes)
// could alias anything reached through memory.
struct Input {
    ByteSource &source;
    const uint8_t *pos = nullptr;
    const uint8_t *end = nullptr;

    // The next byte, or -1 at end of input.
    int next()
    {
        if (pos == end && !refill()) return -1;
        return *pos++;
    }
    // A count byte and, after a count above 0, its value byte; false at end
    // of input. Both bytes are usually at hand, and then read at once.
    bool nextToken(int &count, int &value)
    {
        if (end - pos >= 2) {
            count = pos[0];
            value = pos[1];
            pos += count ? 2 : 1;
            return true;
        }
        count = next();
        value = count > 0 ? next() : 0;
        return count >= 0 && value >= 0;
    }
    // A piece that is not empty; false at end of input. The source writes
    // to locals: the cursor's own address never leaves the decoder.
    bool refill()
    {
        const uint8_t *begin = nullptr, *stop = nullptr;
        while (source.nextPiece(&begin, &stop)) {
            if (begin == stop) continue;
            pos = begin;
            end = stop;
            return true;
        }
        return false;
    }
    // Copies up to `count` bytes to `out`; returns how many there were.
    size_t take(uint8_t *out, size_t count)
    {
        size_t done = 0;
        while (done < count && (pos != end || refill())) {
            const size_t ready = static_cast<size_t>(end - pos);
            const size_t piece = count - done < ready ? count - done : ready;
            copyBytes(out + done, pos, piece);
            pos += piece;
            done += piece;
        }
        return done;
    }
};

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
        fillBytes(area + pos, static_cast<uint8_t>(value), count);
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
// What fits in the area is written; a run cut short by the end of the input
// or of the area ends decoding.
bool copyLiterals(Input &in, Output &out, size_t count)
{
    const size_t room = out.size - out.pos;
    const size_t fits = count < room ? count : room;
    const size_t got = in.take(out.area + out.pos, fits);
    out.pos += got;
    if (got < count) return false;
    if (count & 1) return in.next() >= 0;
    return true;
}

// Handles the byte after a 0 count; false when decoding ends.
bool escape(Input &in, Output &out)
{
    int code = in.next();
    switch (code) {
        case -1:
        case kEndOfBitmap:
            return false;
        case kEndOfLine:
            out.endLine();
            return true;
        case kDelta: {
            int dx = in.next();
            int dy = in.next();
            if (dx < 0 || dy < 0) return false;
            out.move(static_cast<unsigned>(dx), static_cast<unsigned>(dy));
            return true;
        }
        default:
            return copyLiterals(in, out, static_cast<size_t>(code));
    }
}

// Encoded runs of 1 to 8 pixels, most tokens of a detailed image, take one
// 8-byte store each while the piece holds a whole token and the area room
// for the store: no branch on a run's length. A store's tail lands past its
// run, where only later runs write; the tail the last one leaves is zeroed
// again, as the area came.
void shortRuns(Input &in, Output &out)
{
    if (out.size - out.pos < 8) return;
    const uint8_t *pos = in.pos, *const end = in.end;
    uint8_t *const area = out.area;
    const size_t last = out.size - 8, start = out.pos;
    size_t at = start;
    while (end - pos >= 2 && at <= last) {
        const unsigned count = pos[0];
        if (count - 1u >= 8u) break;  // an escape, or longer than a store
        const uint64_t pattern = pos[1] * 0x0101010101010101ull;
        std::memcpy(area + at, &pattern, 8);
        pos += 2;
        at += count;
    }
    if (at == start) return;
    std::memset(area + at, 0, std::min<size_t>(8, out.size - at));
    in.pos = pos;
    out.pos = at;
}

}  // namespace

void decodeRle8(ByteSource &source, uint8_t *area, size_t stride, size_t rows)
{
    Input in{source};
    Output out{area, stride, stride * rows, 0};
    while (!out.full()) {
        shortRuns(in, out);
        if (out.full()) return;
        int count, value;
        if (!in.nextToken(count, value)) return;
        if (count == 0) {
            if (!escape(in, out)) return;
            continue;
        }
        out.fill(value, static_cast<size_t>(count));
    }
}
