// libFuzzer target over kal_LoadDIB: the bytes as a BMP file in both result
// forms, and as resource data (whole file and RT_BITMAP layout) in a block
// of exactly their size, so that any read past the data is caught.
#include "image/dib_loader.h"
#include "kalengine.h"
#include "stand_in_control.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Larger images only cost time: their paths are the same.
constexpr uint64_t kMaxPixelBytes = 2u << 20;

void require(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "load_dib_fuzz: %s\n", what);
    std::abort();
}

int32_t le32(const uint8_t *p) { return static_cast<int32_t>(dib::readLe32(p)); }

// True when a header at `at` declares an image too big to be worth it.
bool tooBig(const uint8_t *data, size_t size, size_t at)
{
    if (size < at + 12) return false;
    const int64_t w = le32(data + at + 4), h = le32(data + at + 8);
    return w > 0 && h > 0 && static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > kMaxPixelBytes;
}

// Checks a packed result against the BitsInfo result of the same source.
void compareForms(void *packed, void *bits, const std::vector<uint8_t> &info)
{
    require((packed == nullptr) == (bits == nullptr), "the two forms disagree on success");
    if (!packed) return;
    const auto *block = static_cast<const uint8_t *>(packed);
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof h);
    require(h.biBitCount == 8 && h.biCompression == BI_RGB && h.biClrUsed == 256 && h.biSize == 40,
            "delivered header");
    require(h.biWidth > 0 && h.biHeight > 0, "delivered size");
    require(std::memcmp(block, info.data(), 1064) == 0, "header and table differ between forms");
    const size_t stride = (static_cast<size_t>(h.biWidth) + 3) & ~size_t{3};
    const size_t bytes = stride * static_cast<size_t>(h.biHeight);
    require(std::memcmp(block + 1064, bits, bytes) == 0, "pixels differ between forms");
    for (size_t r = 0; r < static_cast<size_t>(h.biHeight); ++r)
        for (size_t c = static_cast<size_t>(h.biWidth); c < stride; ++c)
            require(block[1064 + r * stride + c] == 0, "row padding not cleared");
}

void loadBoth(void *(*load)(const void *, BITMAPINFO *), const void *ctx)
{
    const long live = standInLiveHeapBlocks();
    std::vector<uint8_t> info(1064, 0xA5);
    void *packed = load(ctx, nullptr);
    void *bits = load(ctx, reinterpret_cast<BITMAPINFO *>(info.data()));
    compareForms(packed, bits, info);
    kal_FreeResource(packed);
    kal_FreeResource(bits);
    require(standInLiveHeapBlocks() == live, "heap block leaked");
}

struct Memory {
    const uint8_t *data;
    size_t size;
    bool wholeFile;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (tooBig(data, size, 14) || tooBig(data, size, 0)) return 0;
    static const std::string path = "/tmp/load_dib_fuzz_" + std::to_string(getpid()) + ".bmp";
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    loadBoth([](const void *p, BITMAPINFO *info) {
        return kal_LoadDIB(static_cast<const char *>(p), info, nullptr, nullptr);
    }, path.c_str());

    // Resource data lives in its own exact-size block.
    std::vector<uint8_t> copy(data, data + size);
    for (bool wholeFile : {true, false}) {
        const Memory m{copy.data(), copy.size(), wholeFile};
        loadBoth([](const void *p, BITMAPINFO *info) {
            const auto *mem = static_cast<const Memory *>(p);
            return dib::loadDibMemory(mem->data, mem->size, mem->wholeFile, info);
        }, &m);
    }
    return 0;
}
