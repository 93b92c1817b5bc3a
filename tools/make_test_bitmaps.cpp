// Writes the bitmaps that the Windows tests carry as resources: plain and
// RLE8 images, 16 stored colours, a file without the BM letters, a cut file.
// Usage: make_test_bitmaps OUTDIR
#include "../tests/common/bmp_writer.h"

#include <cstdio>
#include <string>

using namespace kaltest;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_bitmaps OUTDIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    BmpFile sixteen = makeBmp8(patternIndices(12, 5), 12, 5, false);
    sixteen.info.clrUsed = 16;
    sixteen.colors = testPalette(16);
    BmpFile notBm = makeBmp8(patternIndices(8, 2), 8, 2, false);
    notBm.type = 0x5858;  // "XX"
    std::vector<uint8_t> cut = bmpBytes(makeBmp8(patternIndices(16, 8), 16, 8, false));
    cut.resize(cut.size() - 20);

    bool ok = writeBytes(dir + "res_plain8.bmp",
                         bmpBytes(makeBmp8(patternIndices(240, 165), 240, 165, false))) &&
              writeBytes(dir + "res_rle8.bmp",
                         bmpBytes(makeBmp8(patternIndices(241, 20), 241, 20, true))) &&
              writeBytes(dir + "res_clr16.bmp", bmpBytes(sixteen)) &&
              writeBytes(dir + "res_notbm.bin", bmpBytes(notBm)) &&
              writeBytes(dir + "res_cut.bin", cut);
    if (!ok) std::fprintf(stderr, "make_test_bitmaps: cannot write to %s\n", argv[1]);
    return ok ? 0 : 1;
}
