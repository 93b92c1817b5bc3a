// JPEG samples through the TurboJPEG API, with the XMP packet spliced in as
// an APP1 segment right after the start-of-image marker.
#include "sample_jpeg.h"

#include <turbojpeg.h>

#include <cstdio>

namespace kalsample {
namespace {

const char kXmpNamespace[] = "http://ns.adobe.com/xap/1.0/";

std::vector<uint8_t> app1Segment(const std::string &xmp)
{
    const size_t length = 2 + sizeof kXmpNamespace + xmp.size();
    if (length > 0xFFFF) return {};
    std::vector<uint8_t> segment = {0xFF, 0xE1, static_cast<uint8_t>(length >> 8),
                                    static_cast<uint8_t>(length)};
    segment.insert(segment.end(), kXmpNamespace, kXmpNamespace + sizeof kXmpNamespace);
    segment.insert(segment.end(), xmp.begin(), xmp.end());
    return segment;
}

// Mean of each factor x factor block.
RgbImage boxScaled(const RgbImage &image, int factor)
{
    RgbImage out{image.width / factor, image.height / factor, {}};
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += image.rgb[((size_t(y) * factor + dy) * image.width +
                                          size_t(x) * factor + dx) *
                                             3 +
                                         c];
                out.rgb[(size_t(y) * out.width + x) * 3 + c] =
                    static_cast<uint8_t>((sum + factor * factor / 2) / (factor * factor));
            }
    return out;
}

RgbImage columns(const RgbImage &image, int left, int width)
{
    RgbImage out{width, image.height, {}};
    for (int y = 0; y < image.height; ++y) {
        const auto row = image.rgb.begin() + (size_t(y) * image.width + left) * 3;
        out.rgb.insert(out.rgb.end(), row, row + size_t(width) * 3);
    }
    return out;
}

std::string gpanoXmp(const GPanoCrop &crop, int height)
{
    char text[1200];
    std::snprintf(
        text, sizeof text,
        "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
        "<rdf:Description rdf:about='' xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'>\n"
        "<GPano:ProjectionType>cylindrical</GPano:ProjectionType>\n"
        "<GPano:FullPanoWidthPixels>%d</GPano:FullPanoWidthPixels>\n"
        "<GPano:FullPanoHeightPixels>%d</GPano:FullPanoHeightPixels>\n"
        "<GPano:CroppedAreaImageWidthPixels>%d</GPano:CroppedAreaImageWidthPixels>\n"
        "<GPano:CroppedAreaImageHeightPixels>%d</GPano:CroppedAreaImageHeightPixels>\n"
        "<GPano:CroppedAreaLeftPixels>%d</GPano:CroppedAreaLeftPixels>\n"
        "<GPano:CroppedAreaTopPixels>%d</GPano:CroppedAreaTopPixels>\n"
        "<GPano:PoseHeadingDegrees>%.1f</GPano:PoseHeadingDegrees>\n"
        "<GPano:InitialViewHeadingDegrees>%.0f</GPano:InitialViewHeadingDegrees>\n"
        "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='r'?>",
        crop.fullWidth, height, crop.width, height, crop.left, -height / 2, crop.poseHeading,
        crop.initialHeading);
    return text;
}

}  // namespace

std::vector<uint8_t> jpegBytes(const RgbImage &image, const std::string &xmp)
{
    tjhandle encoder = tjInitCompress();
    if (!encoder) return {};
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(encoder, image.rgb.data(), image.width, 0, image.height,
                                   TJPF_RGB, &jpeg, &size, TJSAMP_444, 92, TJFLAG_ACCURATEDCT);
    std::vector<uint8_t> bytes;
    if (!failed && size > 2) {
        const std::vector<uint8_t> app1 = xmp.empty() ? std::vector<uint8_t>{} : app1Segment(xmp);
        bytes.assign(jpeg, jpeg + 2);  // start of image
        bytes.insert(bytes.end(), app1.begin(), app1.end());
        bytes.insert(bytes.end(), jpeg + 2, jpeg + size);
    }
    tjFree(jpeg);
    tjDestroy(encoder);
    return bytes;
}

std::vector<uint8_t> gpanoCropJpeg(const RgbImage &full, const GPanoCrop &crop)
{
    const RgbImage scaled = boxScaled(full, full.width / crop.fullWidth);
    return jpegBytes(columns(scaled, crop.left, crop.width), gpanoXmp(crop, scaled.height));
}

}  // namespace kalsample
