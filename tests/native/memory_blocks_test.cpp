// Caller memory blocks and the last error, on the native stand-in.
#include <gtest/gtest.h>

#include "core/kalengine.h"
#include "core/panorama.h"
#include "stand_in_control.h"

TEST(MemoryBlocks, AllocateWriteAndFree)
{
    long before = standInLiveHeapBlocks();
    auto *block = static_cast<unsigned char *>(kal_AllocResource(1064));
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    block[1063] = 2;
    EXPECT_EQ(standInLiveHeapBlocks(), before + 1);
    EXPECT_EQ(kal_FreeResource(block), 0);
    EXPECT_EQ(standInLiveHeapBlocks(), before);
}

TEST(MemoryBlocks, FreeNullAndRefusalLeaveTheLastErrorAlone)
{
    setError(nullptr, KAL_ERR_COORDS);
    EXPECT_EQ(kal_FreeResource(nullptr), 0);
    standInFailHeapAfter(0);
    EXPECT_EQ(kal_AllocResource(10), nullptr);
    standInFailHeapAfter(-1);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_COORDS);
    setError(nullptr, KAL_ERR_NONE);
}
