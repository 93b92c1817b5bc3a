// Test JPEGs made in memory with TurboJPEG (native tests only).
#ifndef KAL_TEST_JPEG_H
#define KAL_TEST_JPEG_H

#include <turbojpeg.h>

#include <cstdint>
#include <vector>

namespace kaltest {

// A width x height JPEG of top-down pixels in a TurboJPEG pixel format (TJPF_RGB,
// TJPF_CMYK, ...), full-resolution colour at quality 95.
inline std::vector<uint8_t> jpegOf(const std::vector<uint8_t> &pixels, int width, int height,
                                   int format)
{
    tjhandle tj = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, pixels.data(), width, 0, height, format, &out, &size, TJSAMP_444, 95, 0);
    std::vector<uint8_t> jpeg(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

}  // namespace kaltest

#endif
