// Image loading inside the DLL, in one process: kal_LoadDIB of the same
// 8192 x 2048 image from an uncompressed and from an RLE8 file (flat, smooth
// and noisy), with the platform's own file reads. Prints the ratios.
#include "../load_samples.h"
#include "best_of.h"
#include "core/kalengine.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

double loadSeconds(const std::string &path)
{
    return bestPerCall(
        5, 4, [&] { kal_FreeResource(kal_LoadDIB(path.c_str(), nullptr, nullptr, nullptr)); },
        [] {});
}

}  // namespace

int main()
{
    loadbench::samples();  // written before the table starts
    std::printf("\n%-8s %12s %12s %14s\n", "image", "raw ms", "RLE8 ms", "RLE8/raw (<= 2)");
    for (const loadbench::Sample &s : loadbench::samples()) {
        const double raw = loadSeconds(s.rawPath), rle = loadSeconds(s.rle8Path);
        std::printf("%-8s %12.2f %12.2f %14.2f\n", s.name, raw * 1e3, rle * 1e3, rle / raw);
    }
    loadbench::removeSampleFiles();
    return 0;
}
