// kal_LoadDIB and kal_ScaleDIB through the DLL under Wine: the real file
// calls, bitmap resources of this executable (RT_BITMAP and whole files of
// a custom type), block sizes on the process heap and the wait cursor.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "core/kalengine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace kaltest;

namespace {

using Bytes = std::vector<uint8_t>;
const char kFileType[] = "KALBMP";

Bytes paddedTable(int entries)
{
    Bytes table = testPalette(entries);
    table.resize(1024, 0);
    return table;
}

// The block's bytes; the heap's own size must be exactly `size`.
Bytes take(void *block, size_t size)
{
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, block), size);
    Bytes copy(static_cast<uint8_t *>(block), static_cast<uint8_t *>(block) + size);
    kal_FreeResource(block);
    return copy;
}

BITMAPINFOHEADER headerOf(const Bytes &b)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, b.data(), sizeof h);
    return h;
}
Bytes tableOf(const Bytes &b)
{
    return Bytes(b.begin() + 40, b.begin() + 1064);
}
Bytes pixelsOf(const Bytes &b)
{
    return Bytes(b.begin() + 1064, b.end());
}

void *loadResource(LPCSTR name, LPCSTR type, BITMAPINFO *info = nullptr)
{
    return kal_LoadDIB(name, info, GetModuleHandleA(nullptr), type);
}

}  // namespace

TEST(DibLoaderWin, Example240x165FileIsA40664ByteHeapBlock)
{
    const std::string path = tempPath("kal_win_example.bmp");
    ASSERT_TRUE(writeBytes(path, bmpBytes(makeBmp8(patternIndices(240, 165), 240, 165, false))));
    HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
    SetCursor(cross);
    void *block = kal_LoadDIB(path.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(GetCursor(), cross) << "the wait cursor is taken away again";
    ASSERT_NE(block, nullptr);
    Bytes dib = take(block, 40664);
    EXPECT_EQ(headerOf(dib).biWidth, 240);
    EXPECT_EQ(headerOf(dib).biClrUsed, 256u);
    EXPECT_EQ(pixelsOf(dib), padRows(patternIndices(240, 165), 240, 165));
    // The file is closed: it can be deleted at once.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(DibLoaderWin, Rle8FileThroughTheByteReader)
{
    const std::string path = tempPath("kal_win_rle8.bmp");
    const Bytes indices = patternIndices(241, 20);
    ASSERT_TRUE(writeBytes(path, bmpBytes(makeBmp8(indices, 241, 20, true))));
    Bytes info(1064);
    void *bits =
        kal_LoadDIB(path.c_str(), reinterpret_cast<BITMAPINFO *>(info.data()), nullptr, nullptr);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(take(bits, 244 * 20), padRows(indices, 241, 20));
    EXPECT_EQ(headerOf(info).biCompression, static_cast<DWORD>(BI_RGB));
    DeleteFileA(path.c_str());
    EXPECT_EQ(kal_LoadDIB(path.c_str(), nullptr, nullptr, nullptr), nullptr) << "missing file";
}

TEST(DibLoaderWin, BitmapResourcesInBothForms)
{
    void *plain = loadResource("KALTEST_PLAIN", RT_BITMAP);
    ASSERT_NE(plain, nullptr);
    Bytes dib = take(plain, 40664);
    EXPECT_EQ(tableOf(dib), paddedTable(256));
    EXPECT_EQ(pixelsOf(dib), padRows(patternIndices(240, 165), 240, 165));

    Bytes info(1064);
    void *rle =
        loadResource("KALTEST_RLE8", RT_BITMAP, reinterpret_cast<BITMAPINFO *>(info.data()));
    ASSERT_NE(rle, nullptr);
    EXPECT_EQ(take(rle, 244 * 20), padRows(patternIndices(241, 20), 241, 20));
    EXPECT_EQ(headerOf(info).biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(headerOf(info).biClrUsed, 256u);

    void *sixteen = loadResource(MAKEINTRESOURCEA(101), RT_BITMAP);
    ASSERT_NE(sixteen, nullptr);
    dib = take(sixteen, 1064 + 12 * 5);
    EXPECT_EQ(tableOf(dib), paddedTable(16));
    EXPECT_EQ(pixelsOf(dib), padRows(patternIndices(12, 5), 12, 5));
}

TEST(DibLoaderWin, WholeFileResourcesOfAnotherType)
{
    void *rle = loadResource("KALTEST_RLE8", kFileType);
    ASSERT_NE(rle, nullptr);
    Bytes dib = take(rle, 1064 + 244 * 20);
    EXPECT_EQ(pixelsOf(dib), padRows(patternIndices(241, 20), 241, 20));
    EXPECT_EQ(headerOf(dib).biCompression, static_cast<DWORD>(BI_RGB));

    void *plain = loadResource("KALTEST_PLAIN", kFileType);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(pixelsOf(take(plain, 40664)), padRows(patternIndices(240, 165), 240, 165));

    // Not checked for the letters BM in resource mode.
    void *notBm = loadResource("KALTEST_NOTBM", kFileType);
    ASSERT_NE(notBm, nullptr);
    EXPECT_EQ(pixelsOf(take(notBm, 1064 + 16)), patternIndices(8, 2));
}

TEST(DibLoaderWin, ResourcesThatCannotBeLoaded)
{
    // Pixels would run past the end of the resource data.
    EXPECT_EQ(loadResource("KALTEST_CUT", kFileType), nullptr);
    EXPECT_EQ(loadResource("NO_SUCH_BITMAP", RT_BITMAP), nullptr);
    EXPECT_EQ(loadResource("KALTEST_PLAIN", "NOSUCHTYPE"), nullptr);
}

TEST(DibLoaderWin, ScaledResourceReplacesItsSource)
{
    void *src = loadResource("KALTEST_PLAIN", RT_BITMAP);
    ASSERT_NE(src, nullptr);
    void *dst =
        kal_ScaleDIB(static_cast<BITMAPINFOHEADER *>(src), nullptr, nullptr, 481, 330, TRUE);
    ASSERT_NE(dst, nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    Bytes dib = take(dst, 1064 + 484 * 330);
    EXPECT_EQ(headerOf(dib).biWidth, 481);
    EXPECT_EQ(headerOf(dib).biSizeImage, 484u * 330);
    // 240 -> 481: the first source column fills the first two, the last one the last.
    const Bytes indices = patternIndices(240, 165);
    EXPECT_EQ(dib[1064 + 0], indices[0]);
    EXPECT_EQ(dib[1064 + 1], indices[0]);
    EXPECT_EQ(dib[1064 + 480], indices[239]);
    EXPECT_EQ(kal_ScaleDIB(static_cast<BITMAPINFOHEADER *>(nullptr), nullptr, nullptr, 4, 4, FALSE),
              nullptr);
}
