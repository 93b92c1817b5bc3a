// RLE8 expansion into a bottom-up 8-bit pixel area, fed by any byte source
// (a buffered file, a resource in memory).
#ifndef KAL_RLE8_H
#define KAL_RLE8_H

#include <cstddef>
#include <cstdint>

// A stream of bytes; next() returns the next byte, or -1 at end of input.
class ByteSource {
public:
    virtual int next() = 0;

protected:
    ~ByteSource() = default;
};

// A byte range in memory.
class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const uint8_t *bytes, size_t count) : pos_(bytes), end_(bytes + count) {}
    int next() override { return pos_ < end_ ? *pos_++ : -1; }

private:
    const uint8_t *pos_;
    const uint8_t *end_;
};

// Decodes RLE8 from `source` into `area` (rows of `stride` bytes, `rows`
// of them, first stored row first). Ends at end of input, at the end-of-
// bitmap escape, or when the area is full; never writes outside the area.
// Bytes the stream skips are left as they are.
void decodeRle8(ByteSource &source, uint8_t *area, size_t stride, size_t rows);

#endif
