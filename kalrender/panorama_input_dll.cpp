// kalrender's panorama on kalengine.dll: 8-bit BMP files through
// kal_LoadDIB, after the header check that refuses hostile sizes cheaply.
#include "panorama_input.h"

#include "kalhost/bmp_extent.h"
#include "kalhost/bmp_header.h"
#include "kalhost/open_panorama.h"

#include <cstdio>

namespace kalrender {
namespace {

// The file's first bytes and its length; false when it cannot be read.
bool readHead(const std::string &path, uint8_t (&head)[kalhost::kBmpHeadBytes], size_t &got,
              uint64_t &size)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    got = std::fread(head, 1, sizeof head, f);
    const long end = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    std::fclose(f);
    size = end < 0 ? got : uint64_t(end);
    return true;
}

}  // namespace

bool openPanorama(const Options &options, const std::string &path, OpenedPanorama &opened)
{
    KalAttribs attribs{};
    kalhost::GivenAttribs given;
    if (!readAttributes(options, path, attribs, given)) return false;
    uint8_t head[kalhost::kBmpHeadBytes] = {};
    size_t got = 0;
    uint64_t size = 0;
    std::string why;
    void *image = nullptr;
    if (!readHead(path, head, got, size)) {
        why = "cannot open " + path;
    } else if (!(why = kalhost::bmpSizeRefusal(head, got, size, attribs.angle)).empty()) {
        why = path + " " + why;
    } else if (!(image = kal_LoadDIB(path.c_str(), nullptr, nullptr, nullptr))) {
        why = path + " " + kalhost::whyNotLoaded(head, got, size);
    }
    if (!image) {
        kalhost::releaseHotSpots(attribs);
        return fail(why) == 0;
    }
    if (kalhost::bmpEndsEarly(head, got, size)) warnEndsEarly(path);
    return createEightBit(image, options, attribs, opened);
}

const void *renderView(const OpenedPanorama &opened, BITMAPINFO *info)
{
    return kal_GetView(opened.pano.get(), info);
}

bool renderColourView(const OpenedPanorama &, const Options &, std::vector<uint32_t> &,
                      kal::ViewDirection &)
{
    return false;  // this build opens 8-bit files only
}

}  // namespace kalrender
