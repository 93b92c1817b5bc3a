// Helpers of the loader and scaler tests: BMP files on disk, patterns, and
// a fixture that checks that no heap block or file handle is left behind.
#ifndef KAL_DIB_LOAD_HELPERS_H
#define KAL_DIB_LOAD_HELPERS_H

#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "stand_in_control.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace kaltest {

using Bytes = std::vector<uint8_t>;

inline long openFileCount()
{
    long n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

class DibFileTest : public ::testing::Test {
   protected:
    void SetUp() override
    {
        blocksBefore_ = standInLiveHeapBlocks();
        filesBefore_ = openFileCount();
    }
    void TearDown() override
    {
        standInFailHeapAfter(-1);
        for (const std::string &path : paths_) std::remove(path.c_str());
        EXPECT_EQ(standInLiveHeapBlocks(), blocksBefore_) << "heap blocks left behind";
        EXPECT_EQ(openFileCount(), filesBefore_) << "file handles left open";
    }

    // Writes bytes to a temporary file named after the test; returns its path.
    std::string writeTemp(const Bytes &bytes)
    {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string path = tempPath(std::string("kal_") + info->test_suite_name() + "_" +
                                    info->name() + std::to_string(paths_.size()) + ".bmp");
        EXPECT_TRUE(writeBytes(path, bytes));
        paths_.push_back(path);
        return path;
    }
    void *loadBytes(const Bytes &bytes, BITMAPINFO *info = nullptr)
    {
        return kal_LoadDIB(writeTemp(bytes).c_str(), info, nullptr, nullptr);
    }
    void *load(const BmpFile &file, BITMAPINFO *info = nullptr)
    {
        return loadBytes(bmpBytes(file), info);
    }

    // Copies `size` bytes out of a block and frees it.
    static Bytes take(void *block, size_t size)
    {
        Bytes copy(static_cast<const uint8_t *>(block), static_cast<const uint8_t *>(block) + size);
        kal_FreeResource(block);
        return copy;
    }

   private:
    long blocksBefore_ = 0;
    long filesBefore_ = 0;
    std::vector<std::string> paths_;
};

inline BITMAPINFOHEADER headerOf(const Bytes &block)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, block.data(), sizeof header);
    return header;
}

}  // namespace kaltest

#endif
