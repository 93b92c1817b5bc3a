// JPEG through libjpeg-turbo's TurboJPEG API: the header first, then the
// pixels straight into bottom-up RGBA rows.
#include "decoders.h"

#include <turbojpeg.h>

#include <climits>
#include <memory>

namespace kalhost {
namespace {

struct TjDeleter {
    void operator()(void *handle) const { tjDestroy(handle); }
};
using TjPtr = std::unique_ptr<void, TjDeleter>;

bool readHeader(tjhandle tj, const uint8_t *bytes, size_t size, int &width, int &height,
                int &colourspace, std::string &why)
{
    int subsampling = 0;
    if (size > ULONG_MAX ||
        tjDecompressHeader3(tj, bytes, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) != 0 ||
        width <= 0 || height <= 0) {
        why = std::string("is a damaged JPEG file (") + tjGetErrorStr2(tj) + ")";
        return false;
    }
    return true;
}

// Whether the entropy-coded data stops before the end marker: none after the
// last scan's start (neither marker can occur inside coded data, which stuffs
// every 0xFF). Other decoder warnings (extraneous bytes, a bad code) leave a
// whole picture.
bool stopsBeforeItsEnd(const uint8_t *bytes, size_t size)
{
    size_t lastScan = 0;
    bool ended = false;
    for (size_t k = 0; k + 1 < size; ++k) {
        if (bytes[k] != 0xFF) continue;
        if (bytes[k + 1] == 0xDA) lastScan = k, ended = false;
        if (bytes[k + 1] == 0xD9 && lastScan) ended = true;
    }
    return !ended;
}

// CMYK (YCCK arrives as CMYK too) to RGB in place; files with an Adobe
// segment store every ink inverted, as its writers do.
void cmykToRgb(RgbaImage &image, bool inverted)
{
    for (uint32_t &p : image.pixels) {
        uint32_t c = p & 0xFF, m = p >> 8 & 0xFF, y = p >> 16 & 0xFF, k = p >> 24;
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        p = rgba((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

}  // namespace

bool jpegSize(const uint8_t *bytes, size_t size, int &width, int &height, std::string &why)
{
    TjPtr tj(tjInitDecompress());
    if (!tj) {
        why = "cannot be decoded: the JPEG decoder did not start";
        return false;
    }
    int colourspace = 0;
    return readHeader(tj.get(), bytes, size, width, height, colourspace, why);
}

bool decodeJpeg(const uint8_t *bytes, size_t size, int minWidth, int minHeight, bool adobe,
                RgbaImage &image, bool &endsEarly, std::string &why)
{
    TjPtr tj(tjInitDecompress());
    int width = 0, height = 0, colourspace = 0;
    if (!tj || !readHeader(tj.get(), bytes, size, width, height, colourspace, why)) return false;
    const bool inks = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    // The smallest reduction the decoder offers that keeps the wanted size.
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    tjscalingfactor best = {1, 1};
    for (int k = 0; factors && k < count; ++k) {
        const tjscalingfactor f = factors[k];
        if (f.num > f.denom || f.num * best.denom >= best.num * f.denom) continue;
        if (TJSCALED(width, f) >= minWidth && TJSCALED(height, f) >= minHeight) best = f;
    }
    image.width = TJSCALED(width, best);
    image.height = TJSCALED(height, best);
    image.pixels.assign(size_t(image.width) * size_t(image.height), rgba(0, 0, 0));
    auto *rows = reinterpret_cast<unsigned char *>(image.pixels.data());
    const int failed = tjDecompress2(
        tj.get(), bytes, static_cast<unsigned long>(size), rows, image.width, image.width * 4,
        image.height, inks ? TJPF_CMYK : TJPF_RGBX, TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS);
    // A warning still gives the rows it had; only a stream that stops early
    // has a missing part.
    if (failed && tjGetErrorCode(tj.get()) != TJERR_WARNING) {
        why = std::string("is a damaged JPEG file (") + tjGetErrorStr2(tj.get()) + ")";
        return false;
    }
    endsEarly = failed != 0 && stopsBeforeItsEnd(bytes, size);
    if (inks) cmykToRgb(image, adobe);
    for (uint32_t &p : image.pixels) p |= 0xFF000000u;  // RGBX leaves the fourth byte alone
    return true;
}

}  // namespace kalhost
