// The resources kaldemo.exe carries: the menu exactly as users know it, the
// 32 x 32 16-colour icon and the 8-bit About picture. Read from the program
// file itself, loaded as data.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

class DemoResources : public ::testing::Test {
   protected:
    void SetUp() override
    {
        exe_ = LoadLibraryExA("kaldemo.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(exe_, nullptr);
    }
    void TearDown() override
    {
        if (exe_) FreeLibrary(exe_);
    }
    HMODULE exe_ = nullptr;
};

struct Item {
    std::string text;  // "-" for a separator
    UINT id;
};

std::vector<Item> items(HMENU menu)
{
    std::vector<Item> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, UINT(i), TRUE, &info);
        EXPECT_FALSE(info.fState & MFS_CHECKED) << text;
        out.push_back({info.fType & MFT_SEPARATOR ? "-" : text, info.wID});
    }
    return out;
}

bool operator==(const Item &a, const Item &b)
{
    return a.text == b.text && a.id == b.id;
}

void PrintTo(const Item &item, std::ostream *os)
{
    *os << '"' << item.text << "\" " << item.id;
}

}  // namespace

TEST_F(DemoResources, MenuHasEveryItemWithItsCommand)
{
    HMENU menu = LoadMenuA(exe_, "KAL_MENU");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    char text[64];
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&File");
    GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Options");
    GetMenuStringA(menu, 2, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About...");
    EXPECT_EQ(GetMenuItemID(menu, 2), 104u);

    const std::vector<Item> file = {{"&Open...", 102}, {"&Close", 103}, {"-", 0}, {"E&xit", 100}};
    EXPECT_EQ(items(GetSubMenu(menu, 0)), file);
    const std::vector<Item> options = {
        {"Auto scale &images", 110},  {"&Compass window", 113},      {"-", 0},
        {"&320 x 240", 111},          {"&640 x 480", 112},           {"-", 0},
        {"Maximum zoom at &5X", 115}, {"Maximum zoom at &10X", 116}, {"&Unrestricted zoom", 114},
    };
    EXPECT_EQ(items(GetSubMenu(menu, 1)), options);
    DestroyMenu(menu);
}

TEST_F(DemoResources, IconIs32x32With16Colours)
{
    HRSRC group = FindResourceA(exe_, "appicon", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    // GRPICONDIR: reserved, type, count, then 14-byte entries.
    const BYTE *dir = static_cast<const BYTE *>(LockResource(LoadResource(exe_, group)));
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(dir[4] | dir[5] << 8, 1);
    EXPECT_EQ(dir[6], 32);  // width
    EXPECT_EQ(dir[7], 32);  // height
    EXPECT_EQ(dir[8], 16);  // colours
    EXPECT_EQ(dir[12], 4);  // bits per pixel
}

TEST_F(DemoResources, LogoIsAFullTable8BitPictureWithSevenColours)
{
    HRSRC found = FindResourceA(exe_, "Logo", MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(exe_, found), 40664u);
    const auto *header =
        static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(exe_, found)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 240);
    EXPECT_EQ(header->biHeight, 165);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_EQ(header->biCompression, DWORD(BI_RGB));
    EXPECT_EQ(header->biClrUsed, 256u);
    const BYTE *pixels = reinterpret_cast<const BYTE *>(header) + 40 + 1024;
    std::set<BYTE> used(pixels, pixels + 240 * 165);
    EXPECT_EQ(used.size(), 7u);
}
