// The resource loader's work on resource data in memory: whole BMP files of
// any type and RT_BITMAP data, checked against the reported size. Each case
// gets a heap copy of exactly that size, so a read past it is caught.
#include "dib_load_helpers.h"

#include "image/dib_loader.h"

#include <memory>

using namespace kaltest;

namespace {

// Loads `bytes` as resource data from an exact-size copy.
void *loadData(const Bytes &bytes, bool wholeFile, BITMAPINFO *info = nullptr)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return dib::loadDibMemory(copy.get(), bytes.size(), wholeFile, info);
}

Bytes withoutFileHeader(const Bytes &file)
{
    return Bytes(file.begin() + 14, file.end());
}
Bytes pixelsOf(const Bytes &block)
{
    return Bytes(block.begin() + 1064, block.end());
}

}  // namespace

TEST_F(DibFileTest, ResourceDataInBothLayoutsAndForms)
{
    const Bytes indices = patternIndices(10, 3);
    BmpFile file = makeBmp8(indices, 10, 3, false);
    file.type = 0x5858;  // whole-file resources are not checked for BM
    const Bytes bytes = bmpBytes(file);

    void *whole = loadData(bytes, true);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(pixelsOf(take(whole, 1064 + 36)), padRows(indices, 10, 3));

    Bytes info(1064);
    void *bitmap =
        loadData(withoutFileHeader(bytes), false, reinterpret_cast<BITMAPINFO *>(info.data()));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(take(bitmap, 36), padRows(indices, 10, 3));
    EXPECT_EQ(headerOf(info).biClrUsed, 256u);
}

TEST_F(DibFileTest, ResourceDataThatEndsTooSoonIsRefused)
{
    const Bytes bytes = bmpBytes(makeBmp8(patternIndices(10, 3), 10, 3, false));
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_EQ(loadData(Bytes(bytes.begin(), bytes.begin() + size), true), nullptr) << size;
    const Bytes bitmap = withoutFileHeader(bytes);
    for (size_t size = 0; size < bitmap.size(); ++size)
        EXPECT_EQ(loadData(Bytes(bitmap.begin(), bitmap.begin() + size), false), nullptr) << size;

    // A header that claims to be longer than the data.
    for (uint8_t top : {0x00, 0x7F, 0xFF}) {
        Bytes longHeader = bytes;
        longHeader[14 + 2] = 0x01;  // biSize of 64 KB or more: past the data
        longHeader[14 + 3] = top;
        EXPECT_EQ(loadData(longHeader, true), nullptr) << int(top);
    }
}

TEST_F(DibFileTest, Rle8ResourceDataEndsDecodingAtItsEnd)
{
    const Bytes indices = patternIndices(8, 4);
    const Bytes bytes = bmpBytes(makeBmp8(indices, 8, 4, true));
    const size_t streamAt = 14 + 40 + 1024;
    // The table must be whole; the stream may stop anywhere.
    EXPECT_EQ(loadData(Bytes(bytes.begin(), bytes.begin() + streamAt - 1), true), nullptr);
    for (size_t size = streamAt; size <= bytes.size(); ++size) {
        void *block = loadData(Bytes(bytes.begin(), bytes.begin() + size), true);
        ASSERT_NE(block, nullptr) << size;
        take(block, 1064 + 32);
    }
    const Bytes firstRow = encodeRle8(Bytes(indices.begin(), indices.begin() + 8), 8, 1);
    void *block =
        loadData(Bytes(bytes.begin(), bytes.begin() + streamAt + firstRow.size() - 2), true);
    ASSERT_NE(block, nullptr);
    Bytes expected = indices;
    std::fill(expected.begin() + 8, expected.end(), 0);
    EXPECT_EQ(pixelsOf(take(block, 1064 + 32)), expected);
}

TEST_F(DibFileTest, ResourceDataHonoursOffBitsAndLongerHeaders)
{
    const Bytes indices = patternIndices(8, 2);
    BmpFile file = makeBmp8(indices, 8, 2, false);
    file.gap = 12;
    file.info.size = 124;
    void *block = loadData(bmpBytes(file), true);
    ASSERT_NE(block, nullptr);
    Bytes dib = take(block, 1064 + 16);
    EXPECT_EQ(pixelsOf(dib), indices);
    EXPECT_EQ(headerOf(dib).biSize, 40u);

    // Without a file header there is no bfOffBits: pixels follow the table.
    file.gap = 0;
    block = loadData(withoutFileHeader(bmpBytes(file)), false);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pixelsOf(take(block, 1064 + 16)), indices);
}
