// The demo's attribute-file naming: an extension of up to three characters
// gives way to ".KAL", anything else keeps it, and nothing is written past
// the path buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kalhost/replace_extension.h"

using kalhost::replaceExtension;

namespace {

std::string replaced(const char *path)
{
    char buffer[256];
    std::strcpy(buffer, path);
    EXPECT_TRUE(replaceExtension(buffer, sizeof buffer, ".KAL")) << path;
    return buffer;
}

}  // namespace

TEST(ReplaceExtension, WorkedExamples)
{
    EXPECT_EQ(replaced("C:\\pics\\hall.bmp"), "C:\\pics\\hall.KAL");
    EXPECT_EQ(replaced("C:\\my.dir\\hall"), "C:\\my.dir\\hall.KAL");
    EXPECT_EQ(replaced("hall.jpeg"), "hall.jpeg.KAL");
}

TEST(ReplaceExtension, ShortAndOddExtensions)
{
    EXPECT_EQ(replaced("hall."), "hall.KAL");
    EXPECT_EQ(replaced("hall.b"), "hall.KAL");
    EXPECT_EQ(replaced("a.b.c"), "a.b.KAL");  // only the last dot counts
    EXPECT_EQ(replaced(".bmp"), ".KAL");
    EXPECT_EQ(replaced(""), ".KAL");
    EXPECT_EQ(replaced("C:/my.dir/hall"), "C:/my.dir/hall.KAL");  // either separator
}

TEST(ReplaceExtension, FullBufferIsLeftAloneAndNothingOverflows)
{
    // 16-byte buffers with a guard byte behind them.
    struct Case {
        const char *path;
        bool fits;
    } cases[] = {
        {"abcdefghijk", true},      // 11 + 4 + NUL = 16
        {"abcdefghijkl", false},    // one more does not fit
        {"abcdefghijk.bmp", true},  // the extension's room is reused
        {"abcdefghij.jpeg", false},
    };
    for (const Case &c : cases) {
        char buffer[17];
        std::memset(buffer, '#', sizeof buffer);
        std::strcpy(buffer, c.path);
        const std::string before = buffer;
        EXPECT_EQ(replaceExtension(buffer, 16, ".KAL"), c.fits) << c.path;
        EXPECT_EQ(buffer[16], '#') << c.path;
        if (!c.fits) {
            EXPECT_EQ(std::string(buffer), before);
        }
    }
}

TEST(ReplaceExtension, LongestNamesInTheDemosBuffer)
{
    char buffer[256];
    std::string name(251, 'x');
    std::strcpy(buffer, name.c_str());
    EXPECT_TRUE(replaceExtension(buffer, sizeof buffer, ".KAL"));
    EXPECT_EQ(std::strlen(buffer), 255u);

    name.assign(252, 'x');
    std::strcpy(buffer, name.c_str());
    EXPECT_FALSE(replaceExtension(buffer, sizeof buffer, ".KAL"));
    EXPECT_EQ(std::string(buffer), name);

    name.assign(251, 'x');
    name += ".bmp";  // 255 characters: the dot's place takes the new extension
    std::strcpy(buffer, name.c_str());
    EXPECT_TRUE(replaceExtension(buffer, sizeof buffer, ".KAL"));
    EXPECT_EQ(std::string(buffer), std::string(251, 'x') + ".KAL");
}
