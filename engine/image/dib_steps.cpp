// Steps every source of kal_LoadDIB takes: header checks, the delivered
// header, the image block and the wait cursor.
#include "image/dib_steps.h"

namespace dib {

HeaderBuffer::HeaderBuffer(BITMAPINFO *caller)
    : temporary_(caller ? nullptr : allocBlock(kInfoBytes)),
      info_(caller ? caller : static_cast<BITMAPINFO *>(temporary_.get()))
{
}

PixelLayout acceptHeader(const BITMAPINFOHEADER &header, bool packed)
{
    PixelLayout layout;
    if (header.biSize < kHeaderBytes || header.biBitCount != 8) return layout;
    if (header.biCompression != BI_RGB && header.biCompression != BI_RLE8) return layout;
    layout.bytes = pixelBytes(header.biWidth, header.biHeight, packed ? kInfoBytes : 0);
    if (layout.bytes == 0) return layout;
    layout.width = static_cast<size_t>(header.biWidth);
    layout.height = static_cast<size_t>(header.biHeight);
    layout.stride = static_cast<size_t>(rowStride(8, layout.width));
    layout.colors = storedColors(header.biClrUsed);
    layout.rle8 = header.biCompression == BI_RLE8;
    return layout;
}

void deliverHeader(const HeaderBuffer &buffer, const PixelLayout &layout, size_t tableBytesRead)
{
    std::memset(buffer.table() + tableBytesRead, 0, kTableBytes - tableBytesRead);
    BITMAPINFOHEADER &header = buffer.header();
    header.biClrUsed = 256;
    // The delivered table follows the first 40 bytes directly, whatever
    // longer header the source had.
    header.biSize = kHeaderBytes;
    if (layout.rle8) header.biCompression = BI_RGB;
}

ImageBlock allocImage(const HeaderBuffer &buffer, const PixelLayout &layout, bool packed)
{
    ImageBlock image;
    image.block.reset(allocBlock(layout.bytes + (packed ? kInfoBytes : 0)));
    if (!image.block) return image;
    image.rows = static_cast<uint8_t *>(image.block.get());
    if (packed) {
        std::memcpy(image.rows, buffer.get(), kInfoBytes);
        image.rows += kInfoBytes;
    }
    return image;
}

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
WaitCursor::~WaitCursor()
{
    SetCursor(previous_);
}

}  // namespace dib
