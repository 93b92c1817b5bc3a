// Every shipped binary carries the project's version where Windows looks for
// it: a VERSIONINFO resource read through GetFileVersionInfo.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The fixed part of a file's version resource; false when it has none.
bool fixedVersion(const char *file, VS_FIXEDFILEINFO &out, std::string &description)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(file, 0, size, data.data())) return false;
    void *fixed = nullptr;
    UINT fixedBytes = 0;
    if (!VerQueryValueA(data.data(), "\\", &fixed, &fixedBytes) || fixedBytes < sizeof out)
        return false;
    out = *static_cast<VS_FIXEDFILEINFO *>(fixed);
    void *text = nullptr;
    UINT textChars = 0;
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\FileVersion", &text, &textChars))
        description = static_cast<const char *>(text);
    return true;
}

}  // namespace

TEST(VersionResource, EveryBinaryCarriesTheProjectVersion)
{
    const std::string expected = std::to_string(KAL_VERSION_MAJOR) + "." +
                                 std::to_string(KAL_VERSION_MINOR) + "." +
                                 std::to_string(KAL_VERSION_PATCH);
    for (const char *file : {"kalengine.dll", "kaldemo.exe", "kalrender.exe"}) {
        VS_FIXEDFILEINFO info{};
        std::string text;
        ASSERT_TRUE(fixedVersion(file, info, text)) << file << " has no version resource";
        EXPECT_EQ(info.dwSignature, 0xFEEF04BDu) << file;
        EXPECT_EQ(HIWORD(info.dwFileVersionMS), KAL_VERSION_MAJOR) << file;
        EXPECT_EQ(LOWORD(info.dwFileVersionMS), KAL_VERSION_MINOR) << file;
        EXPECT_EQ(HIWORD(info.dwFileVersionLS), KAL_VERSION_PATCH) << file;
        EXPECT_EQ(info.dwProductVersionMS, info.dwFileVersionMS) << file;
        EXPECT_EQ(text, expected) << file;
        const bool dll = std::string(file).find(".dll") != std::string::npos;
        EXPECT_EQ(info.dwFileType, DWORD(dll ? VFT_DLL : VFT_APP)) << file;
    }
}
