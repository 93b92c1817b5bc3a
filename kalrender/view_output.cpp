// The view as file bytes through the host library's writers: BMP in every
// build, PNG where the build links the host codecs (KALRENDER_PNG).
#include "view_output.h"

#include "kalhost/bmp_writer.h"
#include "kalhost/image_writer.h"

#include <vector>

namespace kalrender {
namespace {

kalhost::IndexedView indexedOf(const RenderedView &view)
{
    // The renderer's 8-bit rows are padded to 4 bytes, as in every DIB.
    return {view.width, view.height, (size_t(view.width) + 3) & ~size_t{3},
            static_cast<const uint8_t *>(view.bits), view.info + 40};
}

kalhost::ColourView colourOf(const RenderedView &view)
{
    return {view.width, view.height, static_cast<const uint32_t *>(view.bits)};
}

}  // namespace

bool pngAvailable()
{
#ifdef KALRENDER_PNG
    return true;
#else
    return false;
#endif
}

bool writeView(const std::string &path, const RenderedView &view, std::string &error)
{
    std::vector<uint8_t> bytes;
    if (!kalhost::namesPng(path)) {
        bytes =
            view.colour ? kalhost::bmpFileOf(colourOf(view)) : kalhost::bmpFileOf(indexedOf(view));
    } else {
#ifdef KALRENDER_PNG
        bytes =
            view.colour ? kalhost::pngFileOf(colourOf(view)) : kalhost::pngFileOf(indexedOf(view));
#else
        error = "this build of kalrender cannot write PNG files; use a .bmp name";
        return false;
#endif
    }
    if (!bytes.empty() && kalhost::writeBytes(path, bytes)) return true;
    error = "cannot write " + path;
    return false;
}

}  // namespace kalrender
