// kal_AttribFile through the DLL on the real file calls: a CRLF attribute
// file with comments and quotes, and a missing file.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/kalengine.h"

#include <cstring>
#include <string>

namespace {

std::string tempFile(const char *content)
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "kal", 0, path);
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, content, static_cast<DWORD>(std::strlen(content)), &written, nullptr);
    CloseHandle(file);
    return path;
}

}  // namespace

TEST(AttribFileWin, ReadsAFileWithCrlfCommentsAndQuotes)
{
    std::string path = tempFile(
        "/* hall */\r\nangle(180)\r\nhorizon(-12)\r\n"
        "hotspot(10, 20, 110, 80 \"Door\", 'Go to the hall')\r\n"
        "userstring(\"mill.bmp\")\r\n");
    KalAttribs block{};
    EXPECT_EQ(kal_AttribFile(path.c_str(), &block), 1);
    DeleteFileA(path.c_str());
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_EQ(block.angle, 180);
    EXPECT_EQ(block.horizon, -12);
    EXPECT_STREQ(block.userString, "mill.bmp");
    ASSERT_EQ(block.numHotSpots, 1);
    EXPECT_EQ(block.flags, static_cast<DWORD>(KAL_ATTRIB_OWNHOTSPOTS));
    EXPECT_EQ(block.hotSpots[0].rect.right, 110);
    EXPECT_STREQ(block.hotSpots[0].text, "Go to the hall");
    // The array is a caller memory block: the host's heap call frees it.
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, block.hotSpots));
}

TEST(AttribFileWin, MissingAndEmptyFilesGiveACleanBlock)
{
    KalAttribs block;
    std::memset(&block, 0x5A, sizeof block);
    EXPECT_EQ(kal_AttribFile("Z:\\no\\such\\folder\\none.kal", &block), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_EQ(block.angle, 0);
    EXPECT_EQ(block.hotSpots, nullptr);

    std::string path = tempFile("");
    std::memset(&block, 0x5A, sizeof block);
    EXPECT_EQ(kal_AttribFile(path.c_str(), &block), 0);
    DeleteFileA(path.c_str());
    EXPECT_EQ(block.userString[0], '\0');
}
