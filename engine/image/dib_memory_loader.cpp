// The resource loader of kal_LoadDIB, over the resource's bytes in memory:
// every read is checked against the size the platform reports.
#include "image/dib_loader.h"
#include "image/rle8.h"

namespace dib {

void *loadDibMemory(const uint8_t *data, size_t size, bool wholeFile, BITMAPINFO *bitsInfo)
{
    // A whole BMP file carries a file header; its letters are not checked.
    const size_t headerAt = wholeFile ? kFileHeaderBytes : 0;
    if (size < headerAt + kHeaderBytes) return nullptr;

    const bool packed = bitsInfo == nullptr;
    HeaderBuffer buffer(bitsInfo);
    if (!buffer.get()) return nullptr;
    std::memcpy(&buffer.header(), data + headerAt, kHeaderBytes);
    PixelLayout layout = acceptHeader(buffer.header(), packed);
    if (layout.bytes == 0) return nullptr;

    const uint64_t tableAt = headerAt + uint64_t{buffer.header().biSize};
    const uint64_t afterTable = tableAt + layout.colors * 4u;
    if (afterTable > size) return nullptr;
    std::memcpy(buffer.table(), data + tableAt, layout.colors * 4u);
    uint64_t pixelsAt = afterTable;
    if (wholeFile) pixelsAt = pixelOffset(readLe32(data + kOffBitsAt), afterTable, size);
    const size_t available = size - static_cast<size_t>(pixelsAt);
    if (!layout.rle8 && layout.bytes > available) return nullptr;
    deliverHeader(buffer, layout, layout.colors * 4u);

    ImageBlock image = allocImage(buffer, layout, packed);
    if (!image.block) return nullptr;
    WaitCursor wait;
    if (layout.rle8) {
        std::memset(image.rows, 0, layout.bytes);
        MemoryByteSource source(data + pixelsAt, available);
        decodeRle8(source, image.rows, layout.stride, layout.height);
    } else {
        std::memcpy(image.rows, data + pixelsAt, layout.bytes);
    }
    clearRowPadding(image.rows, layout.width, layout.stride, layout.height);
    return image.block.release();
}

}  // namespace dib
