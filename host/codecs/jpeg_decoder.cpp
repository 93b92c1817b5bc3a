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
                std::string &why)
{
    int subsampling = 0, colourspace = 0;
    if (size > ULONG_MAX ||
        tjDecompressHeader3(tj, bytes, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) != 0 ||
        width <= 0 || height <= 0) {
        why = std::string("is a damaged JPEG file (") + tjGetErrorStr2(tj) + ")";
        return false;
    }
    return true;
}

}  // namespace

bool jpegSize(const uint8_t *bytes, size_t size, int &width, int &height, std::string &why)
{
    TjPtr tj(tjInitDecompress());
    if (!tj) {
        why = "cannot be decoded: the JPEG decoder did not start";
        return false;
    }
    return readHeader(tj.get(), bytes, size, width, height, why);
}

bool decodeJpeg(const uint8_t *bytes, size_t size, int minWidth, int minHeight, RgbaImage &image,
                bool &endsEarly, std::string &why)
{
    TjPtr tj(tjInitDecompress());
    int width = 0, height = 0;
    if (!tj || !readHeader(tj.get(), bytes, size, width, height, why)) return false;
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
    const int failed = tjDecompress2(tj.get(), bytes, static_cast<unsigned long>(size), rows,
                                     image.width, image.width * 4, image.height, TJPF_RGBX,
                                     TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS);
    // A warning (a stream that ends early) still gives the rows it had.
    endsEarly = failed != 0;
    if (failed && tjGetErrorCode(tj.get()) != TJERR_WARNING) {
        why = std::string("is a damaged JPEG file (") + tjGetErrorStr2(tj.get()) + ")";
        return false;
    }
    for (uint32_t &p : image.pixels) p |= 0xFF000000u;  // RGBX leaves the fourth byte alone
    return true;
}

}  // namespace kalhost
