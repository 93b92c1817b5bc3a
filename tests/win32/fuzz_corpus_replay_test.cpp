// The fuzz corpora replayed through kalengine.dll itself: every loader input
// as a BMP file and as resource data (a whole file and an RT_BITMAP) in both
// result forms, every scaler input, every attribute text. Each call must
// come back with a sound block, or with NULL and its reason.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/fuzz_cases.h"
#include "core/kalengine.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    Bytes bytes;
};

// Wine shows the Unix root as drive Z:.
std::vector<Input> readCorpus(const char *target)
{
    const std::string dir =
        std::string("Z:") + KAL_SOURCE_DIR + "/tests/fuzz/corpus/" + target + "/";
    std::vector<Input> inputs;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return inputs;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::ifstream in(dir + found.cFileName, std::ios::binary);
        inputs.push_back({found.cFileName, Bytes(std::istreambuf_iterator<char>(in), {})});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return inputs;
}

std::string tempFile(const char *name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

bool writeFile(const std::string &path, const Bytes &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool loadable(const Bytes &b)
{
    return !kalfuzz::declaresHugeImage(b.data(), b.size(), 14) &&
           !kalfuzz::declaresHugeImage(b.data(), b.size(), 0);
}

// A module that holds every input twice, numbered from 1 in corpus order: as
// a whole file of type KALBMP and as an RT_BITMAP. Resources are written into
// a copy of this program and read from it as data.
class ResourceModule {
   public:
    explicit ResourceModule(const std::vector<Input> &inputs)
        : path_(tempFile("kal_replay_resources.exe"))
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        if (!CopyFileA(self, path_.c_str(), FALSE)) return;
        HANDLE update = BeginUpdateResourceA(path_.c_str(), TRUE);
        if (!update) return;
        const WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
        for (size_t k = 0; k < inputs.size(); ++k) {
            Bytes data = inputs[k].bytes;  // an empty resource would be a deletion
            if (data.empty()) data.push_back(0);
            for (LPCSTR type : {static_cast<LPCSTR>("KALBMP"), static_cast<LPCSTR>(RT_BITMAP)})
                UpdateResourceA(update, type, MAKEINTRESOURCEA(k + 1), language, data.data(),
                                static_cast<DWORD>(data.size()));
        }
        if (EndUpdateResourceA(update, FALSE))
            module_ = LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ResourceModule()
    {
        if (module_) FreeLibrary(module_);
        DeleteFileA(path_.c_str());
    }
    ResourceModule(const ResourceModule &) = delete;
    ResourceModule &operator=(const ResourceModule &) = delete;

    HMODULE get() const { return module_; }

   private:
    std::string path_;
    HMODULE module_ = nullptr;
};

const char *shown(const char *problem)
{
    return problem ? problem : "none";
}

// A returned block must hold what its header promises.
void *checkedBlock(void *block, bool packed)
{
    if (!block) return block;
    const BITMAPINFOHEADER *h = packed ? static_cast<const BITMAPINFOHEADER *>(block) : nullptr;
    const SIZE_T size = HeapSize(GetProcessHeap(), 0, block);
    EXPECT_NE(size, static_cast<SIZE_T>(-1));
    if (h && h->biWidth > 0 && h->biHeight > 0) {
        EXPECT_GE(size, 1064 + kalfuzz::stride8(h->biWidth) * static_cast<SIZE_T>(h->biHeight));
    }
    return block;
}

}  // namespace

// kal_LoadDIB reports a failure by NULL alone: the last error stays as it was.
TEST(FuzzCorpusReplay, LoaderInputsAsFilesAndResources)
{
    const std::vector<Input> inputs = readCorpus("load_dib");
    ASSERT_GE(inputs.size(), 50u);
    ResourceModule resources(inputs);
    ASSERT_TRUE(resources.get());
    const std::string path = tempFile("kal_replay.bmp");
    int loaded = 0, loadedAsResources[2] = {0, 0};
    for (size_t k = 0; k < inputs.size(); ++k) {
        const Bytes &bytes = inputs[k].bytes;
        if (!loadable(bytes)) continue;
        RECT vp = {0, 0, 10, 10};
        int w, h;
        kal_MinImageSize(&w, &h, &vp, 400);  // leaves KAL_ERR_ANGLE behind
        ASSERT_TRUE(writeFile(path, bytes));
        auto fromFile = [&](BITMAPINFO *info) {
            void *block = checkedBlock(kal_LoadDIB(path.c_str(), info, nullptr, nullptr), !info);
            loaded += block && !info;
            return block;
        };
        const char *problem = kalfuzz::loadBothForms(fromFile);
        EXPECT_EQ(problem, nullptr) << inputs[k].name << " as a file: " << shown(problem);
        for (int t = 0; t < 2; ++t) {
            const LPCSTR type = t == 0 ? "KALBMP" : RT_BITMAP;
            auto fromResource = [&](BITMAPINFO *info) {
                void *block = checkedBlock(
                    kal_LoadDIB(MAKEINTRESOURCEA(k + 1), info, resources.get(), type), !info);
                loadedAsResources[t] += block && !info;
                return block;
            };
            problem = kalfuzz::loadBothForms(fromResource);
            EXPECT_EQ(problem, nullptr) << inputs[k].name << " as a resource: " << shown(problem);
        }
        EXPECT_EQ(kal_Error(nullptr), KAL_ERR_ANGLE) << inputs[k].name;
    }
    DeleteFileA(path.c_str());
    // Some inputs are images: the checks saw pixels, also from resources.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(loadedAsResources[0], 0);
    EXPECT_GT(loadedAsResources[1], 0);
    std::printf("%zu inputs: %d loaded as files, %d as whole-file resources, %d as RT_BITMAP\n",
                inputs.size(), loaded, loadedAsResources[0], loadedAsResources[1]);
}

TEST(FuzzCorpusReplay, ScalerInputs)
{
    const std::vector<Input> inputs = readCorpus("scale_dib");
    ASSERT_GE(inputs.size(), 50u);
    for (const Input &in : inputs) {
        const char *problem = kalfuzz::runScaleCase(in.bytes.data(), in.bytes.size());
        EXPECT_EQ(problem, nullptr) << in.name << ": " << shown(problem);
    }
}

// The text after the fuzzer's mode byte, with its exact length and up to a
// terminating NUL.
TEST(FuzzCorpusReplay, AttributeTexts)
{
    const std::vector<Input> inputs = readCorpus("attrib_string");
    ASSERT_GE(inputs.size(), 30u);
    for (const Input &in : inputs) {
        if (in.bytes.empty()) continue;
        std::string text(in.bytes.begin() + 1, in.bytes.end());
        for (int length : {static_cast<int>(text.size()), -1}) {
            KalAttribs block;
            std::memset(&block, 0xA5, sizeof block);
            const int result = kal_AttribString(text.c_str(), length, &block);
            EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE) << in.name;
            const char *problem = kalfuzz::attribBlockProblem(block, result);
            EXPECT_EQ(problem, nullptr)
                << in.name << " length " << length << ": " << shown(problem);
            if (block.flags & KAL_ATTRIB_OWNHOTSPOTS) kal_FreeResource(block.hotSpots);
        }
    }
}
