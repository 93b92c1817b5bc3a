// kal_AttribFile over real files: missing, empty, short reads, failures of
// the heap, and a full attribute file with comments, CRLF and quotes.
#include <gtest/gtest.h>

#include "core/kalengine.h"
#include "core/panorama.h"
#include "stand_in_control.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A scratch folder of attribute files, removed afterwards.
class AttribFile : public ::testing::Test {
   protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("kal_attrib_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        std::memset(&block_, 0x5A, sizeof block_);  // any content is replaced
        live_ = standInLiveHeapBlocks();
    }
    void TearDown() override
    {
        standInFailHeapAfter(-1);
        standInLimitNextRead(-1);
        fs::remove_all(dir_);
    }
    std::string write(const std::string &name, const std::string &content)
    {
        fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    bool cleared() const
    {
        KalAttribs zero{};
        return std::memcmp(&block_, &zero, sizeof block_) == 0;
    }
    void release()
    {
        if (block_.flags & KAL_ATTRIB_OWNHOTSPOTS) kal_FreeResource(block_.hotSpots);
        block_.flags = 0;
    }

    fs::path dir_;
    KalAttribs block_;
    long live_ = 0;
};

}  // namespace

TEST_F(AttribFile, FilesThatGiveNothing)
{
    setError(nullptr, KAL_ERR_COORDS);
    EXPECT_EQ(kal_AttribFile((dir_ / "missing.kal").string().c_str(), &block_), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_TRUE(cleared());

    std::memset(&block_, 0x5A, sizeof block_);
    EXPECT_EQ(kal_AttribFile(write("empty.kal", "").c_str(), &block_), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_TRUE(cleared());

    std::memset(&block_, 0x5A, sizeof block_);
    EXPECT_EQ(kal_AttribFile(dir_.string().c_str(), &block_), 0);  // a folder
    EXPECT_TRUE(cleared());

    std::memset(&block_, 0x5A, sizeof block_);
    EXPECT_EQ(kal_AttribFile(nullptr, &block_), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_TRUE(cleared());

    EXPECT_EQ(kal_AttribFile(write("a.kal", "angle(5)").c_str(), nullptr), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}

TEST_F(AttribFile, SyntaxErrorStillReportsTheRead)
{
    EXPECT_EQ(kal_AttribFile(write("bad.kal", "angle(5) horizon(7").c_str(), &block_), 1);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_EQ(block_.angle, 5);
    EXPECT_EQ(block_.horizon, 7);
    EXPECT_EQ(block_.numHotSpots, 0);
    EXPECT_EQ(block_.hotSpots, nullptr);
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}

TEST_F(AttribFile, CommentsCrlfAndQuotedStrings)
{
    const std::string content =
        "/* Hall of the old mill,\r\n   shot at noon. */\r\n"
        "#angle(360)#\r\n"
        "horizon(-12)\r\n"
        "orientation(270)\r\n"
        "/* doors (a \"# doors\" line would end the reading) */\r\n"
        "hotspot(10, 20, 110, 80 \"Door\", 'Go to the hall')\r\n"
        "hotspot(200 30 260 90 @close \"Leave (and close)\")\r\n"
        "userstring(\"mill.bmp\")\r\n";
    ASSERT_EQ(kal_AttribFile(write("mill.kal", content).c_str(), &block_), 1);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_EQ(block_.angle, 360);
    EXPECT_EQ(block_.horizon, -12);
    EXPECT_EQ(block_.orientation, 270);
    EXPECT_STREQ(block_.userString, "mill.bmp");
    EXPECT_EQ(block_.flags, static_cast<DWORD>(KAL_ATTRIB_OWNHOTSPOTS));
    ASSERT_EQ(block_.numHotSpots, 2);
    EXPECT_EQ(block_.hotSpots[0].rect.left, 10);
    EXPECT_EQ(block_.hotSpots[0].rect.bottom, 80);
    EXPECT_STREQ(block_.hotSpots[0].label, "Door");
    EXPECT_STREQ(block_.hotSpots[0].text, "Go to the hall");
    EXPECT_EQ(block_.hotSpots[1].rect.left, 200);
    EXPECT_EQ(block_.hotSpots[1].rect.top, 30);
    EXPECT_EQ(block_.hotSpots[1].rect.right, 260);
    EXPECT_EQ(block_.hotSpots[1].rect.bottom, 90);
    EXPECT_STREQ(block_.hotSpots[1].label, "@close");
    EXPECT_STREQ(block_.hotSpots[1].text, "Leave (and close)");
    // Only the array stays; the read buffer is gone.
    EXPECT_EQ(standInLiveHeapBlocks(), live_ + 1);
    release();
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}

// A read that delivers fewer bytes than the file holds: only those count.
// Were the whole size used, the open quote would swallow the unread tail.
TEST_F(AttribFile, ShortReadInterpretsOnlyWhatWasRead)
{
    std::string path = write("short.kal", "userstring('abc') horizon(5)");
    standInLimitNextRead(15);  // "userstring('abc"
    EXPECT_EQ(kal_AttribFile(path.c_str(), &block_), 1);
    EXPECT_STREQ(block_.userString, "abc");
    EXPECT_EQ(block_.horizon, 0);

    std::memset(&block_, 0x5A, sizeof block_);
    standInLimitNextRead(0);
    EXPECT_EQ(kal_AttribFile(path.c_str(), &block_), 0);  // nothing read
    EXPECT_TRUE(cleared());
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}

TEST_F(AttribFile, HeapFailures)
{
    std::string path = write("spots.kal", "angle(90) hotspot(1 2 3 4 a b)");
    standInFailHeapAfter(0);  // no read buffer: nothing is interpreted
    EXPECT_EQ(kal_AttribFile(path.c_str(), &block_), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_TRUE(cleared());

    standInFailHeapAfter(1);  // the buffer, but no hotspot array
    EXPECT_EQ(kal_AttribFile(path.c_str(), &block_), 1);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_MEMORY);
    EXPECT_EQ(block_.angle, 90);
    EXPECT_EQ(block_.numHotSpots, 0);
    EXPECT_EQ(block_.hotSpots, nullptr);
    EXPECT_EQ(block_.flags, 0u);
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}
