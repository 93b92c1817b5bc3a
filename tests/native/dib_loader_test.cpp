// kal_LoadDIB in file mode on the native stand-in: both result forms, the
// delivered header and table, RLE8 files, refused and damaged files.
#include "dib_load_helpers.h"

using namespace kaltest;

namespace {

constexpr size_t kInfo = 1064;

Bytes paddedTable(int entries)
{
    Bytes table = testPalette(entries);
    table.resize(1024, 0);
    return table;
}

Bytes tableOf(const Bytes &block)
{
    return Bytes(block.begin() + 40, block.begin() + kInfo);
}
Bytes pixelsOf(const Bytes &block)
{
    return Bytes(block.begin() + kInfo, block.end());
}

}  // namespace

TEST_F(DibFileTest, Example240x165GivesA40664BytePackedBlock)
{
    const Bytes indices = patternIndices(240, 165);
    void *block = load(makeBmp8(indices, 240, 165, false));
    ASSERT_NE(block, nullptr);
    Bytes dib = take(block, 40664);
    BITMAPINFOHEADER h = headerOf(dib);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 240);
    EXPECT_EQ(h.biHeight, 165);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biXPelsPerMeter, 2835);
    EXPECT_EQ(tableOf(dib), paddedTable(256));
    EXPECT_EQ(pixelsOf(dib), padRows(indices, 240, 165));
}

TEST_F(DibFileTest, BitsOnlyFormPutsHeaderAndTableInTheCallersBuffer)
{
    const Bytes indices = patternIndices(240, 165);
    Bytes info(kInfo, 0x55);
    void *block =
        load(makeBmp8(indices, 240, 165, false), reinterpret_cast<BITMAPINFO *>(info.data()));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(take(block, 240 * 165), padRows(indices, 240, 165));
    EXPECT_EQ(headerOf(info).biWidth, 240);
    EXPECT_EQ(headerOf(info).biClrUsed, 256u);
    EXPECT_EQ(tableOf(info), paddedTable(256));
}

TEST_F(DibFileTest, Width241HasStride244AndClearedPadding)
{
    const Bytes indices = patternIndices(241, 7);
    BmpFile file = makeBmp8(indices, 241, 7, false);
    file.pixels = padRows(indices, 241, 7, 0xEE);
    void *block = load(file);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pixelsOf(take(block, kInfo + 244 * 7)), padRows(indices, 241, 7, 0));
}

TEST_F(DibFileTest, Rle8FileExpandsInBothForms)
{
    // Runs, varied stretches and an end of line after 241 pixels per row;
    // the stream is longer than the 64 KB read buffer, so that runs cross
    // from one read into the next.
    Bytes indices = patternIndices(241, 300);
    for (int c = 40; c < 140; ++c) indices[5 * 241 + c] = 9;
    const BmpFile file = makeBmp8(indices, 241, 300, true);
    ASSERT_GT(file.pixels.size(), 65536u);

    void *packed = load(file);
    ASSERT_NE(packed, nullptr);
    Bytes dib = take(packed, kInfo + 244 * 300);
    EXPECT_EQ(pixelsOf(dib), padRows(indices, 241, 300));
    EXPECT_EQ(headerOf(dib).biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(headerOf(dib).biSizeImage, file.pixels.size()) << "keeps the stored size";

    Bytes info(kInfo);
    void *bits = load(file, reinterpret_cast<BITMAPINFO *>(info.data()));
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(take(bits, 244 * 300), padRows(indices, 241, 300));
    EXPECT_EQ(headerOf(info).biCompression, static_cast<DWORD>(BI_RGB));
}

TEST_F(DibFileTest, Rle8SkippedPixelsAreCleared)
{
    BmpFile file = makeBmp8(Bytes(8 * 4, 0), 8, 4, true);
    file.pixels = {3, 7, 0, 0,        // short row, end of line
                   8, 1, 0, 0,        // full row, end of line stays
                   0, 2, 2, 1, 1, 4,  // delta right 2, up 1: row 3, column 2
                   0, 1, 5, 5};       // end of bitmap; the run after it is ignored
    void *block = load(file);
    ASSERT_NE(block, nullptr);
    Bytes expected(32, 0);
    for (int c = 0; c < 3; ++c) expected[c] = 7;
    for (int c = 0; c < 8; ++c) expected[8 + c] = 1;
    expected[3 * 8 + 2] = 4;
    EXPECT_EQ(pixelsOf(take(block, kInfo + 32)), expected);
}

TEST_F(DibFileTest, SixteenStoredColoursAreFollowedByThePixels)
{
    const Bytes indices = patternIndices(12, 5);
    BmpFile file = makeBmp8(indices, 12, 5, false);
    file.info.clrUsed = 16;
    file.colors = testPalette(16);
    void *block = load(file);
    ASSERT_NE(block, nullptr);
    Bytes dib = take(block, kInfo + 12 * 5);
    EXPECT_EQ(headerOf(dib).biClrUsed, 256u);
    EXPECT_EQ(tableOf(dib), paddedTable(16)) << "entries 16..255 cleared";
    EXPECT_EQ(pixelsOf(dib), padRows(indices, 12, 5));
}

TEST_F(DibFileTest, LongerHeaderIsSkippedAndTheTableFollowsForty)
{
    const Bytes indices = patternIndices(16, 3);
    BmpFile file = makeBmp8(indices, 16, 3, false);
    file.info.size = 124;
    void *block = load(file);
    ASSERT_NE(block, nullptr);
    Bytes dib = take(block, kInfo + 16 * 3);
    EXPECT_EQ(headerOf(dib).biSize, 40u) << "the delivered table follows 40 bytes";
    EXPECT_EQ(tableOf(dib), paddedTable(256));
    EXPECT_EQ(pixelsOf(dib), padRows(indices, 16, 3));
}

TEST_F(DibFileTest, OffBitsIsUsedOnlyInsideTheFileBehindTheTable)
{
    const Bytes indices = patternIndices(8, 2);
    BmpFile gap = makeBmp8(indices, 8, 2, false);
    gap.gap = 6;
    void *block = load(gap);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pixelsOf(take(block, kInfo + 16)), indices);

    for (uint32_t offBits : {0u, 100u, 1078u + 16u, 0xFFFFFFF0u}) {
        BmpFile file = makeBmp8(indices, 8, 2, false);
        file.offBits = offBits;
        void *b = load(file);
        ASSERT_NE(b, nullptr) << offBits;
        EXPECT_EQ(pixelsOf(take(b, kInfo + 16)), indices) << offBits;
    }
}

TEST_F(DibFileTest, OtherFormatsAndBadHeadersAreRefusedSilently)
{
    setError(nullptr, KAL_ERR_COORDS);
    const Bytes indices = patternIndices(8, 2);
    auto variant = [&](auto change) {
        BmpFile file = makeBmp8(indices, 8, 2, false);
        change(file);
        return load(file);
    };
    EXPECT_EQ(variant([](BmpFile &f) { f.info.bitCount = 24; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.bitCount = 4; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.compression = BI_RLE4; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.compression = 3; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.type = 0x4142; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.size = 12; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.size = 39; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.width = 0; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.height = 0; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.height = -2; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) { f.info.width = -8; }), nullptr);
    // Stride x height beyond any block the heap can give.
    EXPECT_EQ(variant([](BmpFile &f) { f.info.width = 0x7FFFFFFF; }), nullptr);
    EXPECT_EQ(variant([](BmpFile &f) {
                  f.info.width = 65536;
                  f.info.height = 65536;
              }),
              nullptr);
    EXPECT_EQ(kal_LoadDIB(tempPath("kal_no_such_file.bmp").c_str(), nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(kal_LoadDIB(nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_COORDS) << "the last error is not touched";
    setError(nullptr, KAL_ERR_NONE);
}

TEST_F(DibFileTest, TruncatedFilesLoadWhatIsThereAndClearTheRest)
{
    const Bytes indices = patternIndices(8, 4);
    const Bytes plain = bmpBytes(makeBmp8(indices, 8, 4, false));
    const size_t pixelsAt = 14 + 40 + 1024;
    // Cut inside the file header or the info header: nothing to load.
    for (size_t cut : {0, 10, 14, 30, 53})
        EXPECT_EQ(loadBytes(Bytes(plain.begin(), plain.begin() + cut)), nullptr) << cut;

    // Cut inside the colour table: the entries read, the rest and the pixels 0.
    void *block = loadBytes(Bytes(plain.begin(), plain.begin() + 54 + 10 * 4));
    ASSERT_NE(block, nullptr);
    Bytes dib = take(block, kInfo + 32);
    Bytes table = testPalette(10);
    table.resize(1024, 0);
    EXPECT_EQ(tableOf(dib), table);
    EXPECT_EQ(pixelsOf(dib), Bytes(32, 0));

    // Cut inside the pixels.
    block = loadBytes(Bytes(plain.begin(), plain.begin() + pixelsAt + 13));
    ASSERT_NE(block, nullptr);
    Bytes expected = indices;
    std::fill(expected.begin() + 13, expected.end(), 0);
    EXPECT_EQ(pixelsOf(take(block, kInfo + 32)), expected);

    // An RLE8 stream cut after its first row.
    const Bytes rle = bmpBytes(makeBmp8(indices, 8, 4, true));
    const Bytes firstRow = encodeRle8(Bytes(indices.begin(), indices.begin() + 8), 8, 1);
    block = loadBytes(Bytes(rle.begin(), rle.begin() + pixelsAt + firstRow.size() - 2));
    ASSERT_NE(block, nullptr);
    expected = indices;
    std::fill(expected.begin() + 8, expected.end(), 0);
    EXPECT_EQ(pixelsOf(take(block, kInfo + 32)), expected);
}

TEST_F(DibFileTest, HeapRefusalsLeaveNothingBehind)
{
    const Bytes bytes = bmpBytes(makeBmp8(patternIndices(8, 2), 8, 2, true));
    standInFailHeapAfter(0);  // the temporary header
    EXPECT_EQ(loadBytes(bytes), nullptr);
    standInFailHeapAfter(1);  // the image block
    EXPECT_EQ(loadBytes(bytes), nullptr);
    Bytes info(kInfo);
    standInFailHeapAfter(0);  // with BitsInfo the image block is the first
    EXPECT_EQ(loadBytes(bytes, reinterpret_cast<BITMAPINFO *>(info.data())), nullptr);
}

TEST_F(DibFileTest, ResourceModeFindsNothingNatively)
{
    EXPECT_EQ(kal_LoadDIB("SAMPLE", nullptr, nullptr, RT_BITMAP), nullptr);
    EXPECT_EQ(kal_LoadDIB("SAMPLE", nullptr, nullptr, "KALBMP"), nullptr);
}

TEST_F(DibFileTest, BundledSampleLoadsAlikeFromBothCopies)
{
    const std::string dir = std::string(KAL_BINARY_DIR) + "/samples/";
    void *plain = kal_LoadDIB((dir + "courtyard.bmp").c_str(), nullptr, nullptr, nullptr);
    void *rle = kal_LoadDIB((dir + "courtyard_rle8.bmp").c_str(), nullptr, nullptr, nullptr);
    ASSERT_TRUE(plain && rle);
    const BITMAPINFOHEADER h = *static_cast<BITMAPINFOHEADER *>(plain);
    EXPECT_GE(h.biWidth, 2048);
    EXPECT_GE(h.biHeight, 512);
    EXPECT_EQ(h.biWidth % 4, 0);
    const size_t size = kInfo + static_cast<size_t>(h.biWidth) * h.biHeight;
    const Bytes a = take(plain, size), b = take(rle, size);
    EXPECT_TRUE(std::equal(a.begin() + 40, a.end(), b.begin() + 40)) << "table and pixels";
    // No pixel uses the entries that palette screens reserve for the system.
    for (size_t k = kInfo; k < size; ++k) ASSERT_TRUE(a[k] >= 10 && a[k] <= 245) << k;
}
