// The DLL loads by name and every name of its .def file resolves.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/kalengine.h"

namespace {
const char *const kDefExports[] = {
#include "def_exports.inc"
};
}  // namespace

TEST(Exports, EveryDefNameResolvesUndecorated)
{
    HMODULE dll = LoadLibraryA("kalengine.dll");
    ASSERT_NE(dll, nullptr);
    for (const char *name : kDefExports)
        EXPECT_NE(reinterpret_cast<void *>(GetProcAddress(dll, name)), nullptr) << name;
    FreeLibrary(dll);
}

TEST(Exports, MemoryBlocksCrossTheInterface)
{
    // A block from the engine is freed by the host's heap call and vice versa.
    void *engineBlock = kal_AllocResource(256);
    ASSERT_NE(engineBlock, nullptr);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, engineBlock));
    void *hostBlock = HeapAlloc(GetProcessHeap(), 0, 256);
    EXPECT_EQ(kal_FreeResource(hostBlock), 0);
    EXPECT_EQ(kal_FreeResource(nullptr), 0);
}

// KalHotSpot is the same on both architectures; KalAttribs grows by the
// hotspot pointer's four extra bytes on x86-64, everything after it shifting.
TEST(Exports, RecordLayoutsMatchTheInterfaceOnThisArchitecture)
{
    constexpr size_t p = sizeof(void *) - 4;
    static_assert(sizeof(KalHotSpot) == 272, "KalHotSpot size");
    static_assert(offsetof(KalHotSpot, label) == 16, "label offset");
    static_assert(offsetof(KalHotSpot, text) == 144, "text offset");
    static_assert(sizeof(KalAttribs) == 156 + p, "KalAttribs size: 156 on i686, 160 on x86-64");
    static_assert(offsetof(KalAttribs, numHotSpots) == 12, "numHotSpots offset");
    static_assert(offsetof(KalAttribs, hotSpots) == 16, "hotSpots offset");
    static_assert(offsetof(KalAttribs, userString) == 20 + p, "userString offset");
    static_assert(offsetof(KalAttribs, flags) == 148 + p, "flags offset");
    static_assert(offsetof(KalAttribs, reserved) == 152 + p, "reserved offset");
    SUCCEED();
}
