// RLE8 expansion into a bottom-up 8-bit pixel area, fed by any byte source
// (a buffered file, a resource in memory).
#ifndef KAL_RLE8_H
#define KAL_RLE8_H

#include <cstddef>
#include <cstdint>

// A stream of bytes handed out in pieces. The decoder reads each piece
// through a cursor of its own and asks for the next one only when it runs
// dry, so a byte costs a compare and a load.
class ByteSource {
   public:
    // Sets [*begin, *end) to the next piece of input; false at end of input.
    virtual bool nextPiece(const uint8_t **begin, const uint8_t **end) = 0;

   protected:
    ~ByteSource() = default;
};

// A byte range in memory: one piece.
class MemoryByteSource final : public ByteSource {
   public:
    MemoryByteSource(const uint8_t *bytes, size_t count) : bytes_(bytes), count_(count) {}
    bool nextPiece(const uint8_t **begin, const uint8_t **end) override
    {
        if (!bytes_) return false;
        *begin = bytes_;
        *end = bytes_ + count_;
        bytes_ = nullptr;
        return true;
    }

   private:
    const uint8_t *bytes_;
    size_t count_;
};

// Decodes RLE8 from `source` into `area` (rows of `stride` bytes, `rows`
// of them, first stored row first), which comes zeroed. Ends at end of
// input, at the end-of-bitmap escape, or when the area is full; never writes
// outside the area. Bytes the stream skips stay 0.
void decodeRle8(ByteSource &source, uint8_t *area, size_t stride, size_t rows);

#endif
