// Steps of kal_LoadDIB shared by the file and the memory loader: the header
// buffer, the checks of a stored header, the delivered header and the new
// image block.
#ifndef KAL_DIB_STEPS_H
#define KAL_DIB_STEPS_H

#include "image/dib_layout.h"
#include "core/kalinput.h"

#include <memory>

namespace dib {

struct BlockDeleter {
    void operator()(void *block) const { freeBlock(block); }
};
using BlockPtr = std::unique_ptr<void, BlockDeleter>;

// Receives header and colour table: the caller's BitsInfo, or a temporary
// 1064-byte block when there is none (get() is null if the heap refused).
class HeaderBuffer {
   public:
    explicit HeaderBuffer(BITMAPINFO *caller);
    BITMAPINFO *get() const { return info_; }
    BITMAPINFOHEADER &header() const { return info_->bmiHeader; }
    uint8_t *table() const { return reinterpret_cast<uint8_t *>(info_) + kHeaderBytes; }

   private:
    BlockPtr temporary_;
    BITMAPINFO *info_;
};

// What a stored header says about the pixels that follow it.
struct PixelLayout {
    size_t bytes = 0;  // stride x height; 0 = the header is refused
    size_t stride = 0;
    size_t width = 0;
    size_t height = 0;
    unsigned colors = 0;  // entries stored in the colour table
    bool rle8 = false;
};

// Checks a stored header: at least 40 bytes, 8 bits per pixel, BI_RGB or
// BI_RLE8, positive sizes whose block fits the 32-bit heap.
PixelLayout acceptHeader(const BITMAPINFOHEADER &header, bool packed);

// Completes the delivered header once `tableBytesRead` bytes of colour
// table are in: clears the unread entries and describes the expanded image.
void deliverHeader(const HeaderBuffer &buffer, const PixelLayout &layout, size_t tableBytesRead);

// The returned block, header and table in front in the packed form.
struct ImageBlock {
    BlockPtr block;
    uint8_t *rows = nullptr;
};
ImageBlock allocImage(const HeaderBuffer &buffer, const PixelLayout &layout, bool packed);

// Shows the wait cursor for its lifetime.
class WaitCursor {
   public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

   private:
    HCURSOR previous_;
};

// Pixel data of a file after the header and colour table: use bfOffBits
// when it lies inside the data at or behind `afterTable`.
inline uint64_t pixelOffset(DWORD offBits, uint64_t afterTable, uint64_t dataSize)
{
    return offBits >= afterTable && offBits < dataSize ? offBits : afterTable;
}

constexpr size_t kFileHeaderBytes = 14;
constexpr unsigned kBmSignature = 0x4D42;
constexpr size_t kOffBitsAt = 10;

}  // namespace dib

#endif
