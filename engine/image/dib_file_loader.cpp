// The file loader of kal_LoadDIB: BMP files through the 16-bit style file
// calls, RLE8 through a shared buffered byte reader, plain rows in 32 KB reads.
#include "image/dib_loader.h"
#include "image/rle8.h"

#include <algorithm>

namespace dib {
namespace {

constexpr UINT kReadPiece = 32768;
// Large enough that a platform read costs little next to decoding its bytes
// (a few hundred reads for a large image instead of hundreds of thousands);
// the pieces join seamlessly, so any size decodes the same pixels.
constexpr UINT kReaderBytes = 65536;

// The byte reader's buffer lasts between calls (one thread by design).
uint8_t readerBuffer[kReaderBytes];

class File {
   public:
    explicit File(LPCSTR name)
        : handle_(name ? _lopen(name, OF_READ | OF_SHARE_DENY_WRITE) : HFILE_ERROR)
    {
    }
    ~File()
    {
        if (ok()) _lclose(handle_);
    }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    bool ok() const { return handle_ >= 0; }
    // Bytes delivered; a failed read delivers none.
    size_t read(void *buffer, size_t bytes) const
    {
        UINT got = _lread(handle_, buffer, static_cast<UINT>(bytes));
        return got > bytes ? 0 : got;
    }
    bool seek(uint64_t offset) const
    {
        return offset <= INT32_MAX && _llseek(handle_, static_cast<LONG>(offset), FILE_BEGIN) >= 0;
    }
    LONG size() const { return _llseek(handle_, 0, FILE_END); }
    HFILE handle() const { return handle_; }

   private:
    HFILE handle_;
};

// Each piece is one read that fills the whole buffer.
class FileByteSource final : public ByteSource {
   public:
    explicit FileByteSource(const File &file) : file_(file) {}
    bool nextPiece(const uint8_t **begin, const uint8_t **end) override
    {
        const size_t count = file_.read(readerBuffer, kReaderBytes);
        *begin = readerBuffer;
        *end = readerBuffer + count;
        return count > 0;
    }

   private:
    const File &file_;
};

// Plain rows; whatever a short file leaves unread is cleared.
void readRows(const File &file, uint8_t *rows, size_t bytes)
{
    size_t done = 0;
    while (done < bytes) {
        size_t piece = std::min<size_t>(bytes - done, kReadPiece);
        size_t got = file.read(rows + done, piece);
        done += got;
        if (got < piece) break;
    }
    std::memset(rows + done, 0, bytes - done);
}

// Reads the file header; returns bfOffBits, or -1 when it is no BMP file.
int64_t readFileHeader(const File &file)
{
    uint8_t bytes[kFileHeaderBytes];
    if (file.read(bytes, sizeof bytes) != sizeof bytes) return -1;
    if ((bytes[0] | (bytes[1] << 8)) != kBmSignature) return -1;
    return readLe32(bytes + kOffBitsAt);
}

}  // namespace

void *loadDibFile(LPCSTR filename, BITMAPINFO *bitsInfo)
{
    File file(filename);
    if (!file.ok()) return nullptr;
    int64_t offBits = readFileHeader(file);
    if (offBits < 0) return nullptr;
    LONG fileSize = file.size();
    if (fileSize < 0 || !file.seek(kFileHeaderBytes)) return nullptr;

    const bool packed = bitsInfo == nullptr;
    HeaderBuffer buffer(bitsInfo);
    if (!buffer.get()) return nullptr;
    if (file.read(&buffer.header(), kHeaderBytes) != kHeaderBytes) return nullptr;
    PixelLayout layout = acceptHeader(buffer.header(), packed);
    if (layout.bytes == 0) return nullptr;

    // Skip the rest of a longer header; past the end, the reads deliver nothing.
    const uint64_t tableAt = kFileHeaderBytes + uint64_t{buffer.header().biSize};
    const uint64_t end = static_cast<uint64_t>(fileSize);
    if (!file.seek(std::min(tableAt, end))) return nullptr;
    size_t tableRead = file.read(buffer.table(), layout.colors * 4u);
    const uint64_t afterTable = tableAt + layout.colors * 4u;
    const uint64_t pixelsAt = pixelOffset(static_cast<DWORD>(offBits), afterTable, end);
    if (pixelsAt != afterTable && !file.seek(pixelsAt)) return nullptr;
    deliverHeader(buffer, layout, tableRead);

    ImageBlock image = allocImage(buffer, layout, packed);
    if (!image.block) return nullptr;
    WaitCursor wait;
    if (layout.rle8) {
        std::memset(image.rows, 0, layout.bytes);
        FileByteSource source(file);
        decodeRle8(source, image.rows, layout.stride, layout.height);
    } else {
        readRows(file, image.rows, layout.bytes);
    }
    clearRowPadding(image.rows, layout.width, layout.stride, layout.height);
    return image.block.release();
}

}  // namespace dib
