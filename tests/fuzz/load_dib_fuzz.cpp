// libFuzzer target over kal_LoadDIB: the bytes as a BMP file in both result
// forms, and as resource data (whole file and RT_BITMAP layout) in a block
// of exactly their size, so that any read past the data is caught.
#include "../common/fuzz_cases.h"
#include "image/dib_loader.h"
#include "core/kalengine.h"
#include "stand_in_control.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "load_dib_fuzz: %s\n", what);
    std::abort();
}

// Both result forms of one source, checked, without a block left behind.
template <typename Load>
void loadBoth(Load load)
{
    const long live = standInLiveHeapBlocks();
    const char *problem = kalfuzz::loadBothForms(load);
    require(!problem, problem);
    require(standInLiveHeapBlocks() == live, "heap block leaked");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (kalfuzz::declaresHugeImage(data, size, 14) || kalfuzz::declaresHugeImage(data, size, 0))
        return 0;
    static const std::string path = "/tmp/load_dib_fuzz_" + std::to_string(getpid()) + ".bmp";
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    loadBoth([](BITMAPINFO *info) { return kal_LoadDIB(path.c_str(), info, nullptr, nullptr); });

    // Resource data lives in its own exact-size block.
    std::vector<uint8_t> copy(data, data + size);
    for (bool wholeFile : {true, false})
        loadBoth([&](BITMAPINFO *info) {
            return dib::loadDibMemory(copy.data(), copy.size(), wholeFile, info);
        });
    return 0;
}
