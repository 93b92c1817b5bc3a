// libFuzzer target over kal_ScaleDIB: fuzzed headers, sizes, forms and
// flags over exact-size source blocks; every produced pixel is checked
// against the closed form of the nearest-neighbour mapping.
#include "../common/fuzz_cases.h"
#include "core/kalengine.h"
#include "stand_in_control.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const long live = standInLiveHeapBlocks();
    if (const char *problem = kalfuzz::runScaleCase(data, size)) {
        std::fprintf(stderr, "scale_dib_fuzz: %s\n", problem);
        std::abort();
    }
    if (standInLiveHeapBlocks() != live) {
        std::fprintf(stderr, "scale_dib_fuzz: heap block leaked or freed twice\n");
        std::abort();
    }
    return 0;
}
