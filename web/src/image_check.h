// What the web module checks about an image before it allocates anything for
// it: the size a BMP header claims against the engine's limits and the
// module's memory budget, and the size a decoded true-colour image may take.
#ifndef KALWEB_IMAGE_CHECK_H
#define KALWEB_IMAGE_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalweb {

// The most bytes one image may take in the module's memory, which never
// shrinks: the view buffers and the engine's tables need room beside it.
constexpr uint64_t kImageBudgetBytes = uint64_t{1} << 30;

// "W x H pixels".
std::string pixelSize(int64_t width, int64_t height);

// Why a file starting "BM" cannot be opened in a panorama of `angle`
// degrees (0 = 360), judged from its headers alone (nothing is allocated):
// random bytes, a size the engine refuses or the file cannot describe, one
// over the memory budget. A phrase following "The file ", or empty when the
// loader may go ahead.
std::string bmpHeaderProblem(const uint8_t *bytes, size_t size, int angle);

// The size a width x height true-colour image gets in a panorama of `angle`
// degrees: scaled down, keeping its shape, to the engine's limits. The
// image as stored must fit the budget: the browser decodes it whole.
struct ColourFit {
    int width = 0;
    int height = 0;
    bool scaled = false;
};
// False, with the reason in `error`, when the image is empty or its fitted
// pixels would not fit the memory budget; `warning` says when it was scaled.
bool fitColourImage(int64_t width, int64_t height, int angle, ColourFit &fit, std::string &error,
                    std::string &warning);

}  // namespace kalweb

#endif
