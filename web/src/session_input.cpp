// What the web module makes of the bytes and text a page hands it: BMP files
// checked before they are loaded, attribute text read or left out with the
// place of its error, and the messages and warnings the page shows.
#include "session_input.h"

#include "kalhost/attribute_merge.h"
#include "kalhost/bmp_extent.h"
#include "kalhost/bmp_reader.h"
#include "kalhost/open_panorama.h"
#include "core/kalinput.h"
#include "image_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kalweb {

void Report::warn(const std::string &sentence)
{
    if (warning.find(sentence) == std::string::npos)
        warning += (warning.empty() ? "" : " ") + sentence;
}

void warnEndsEarly(Report &report)
{
    report.warn(
        "The file ends before the end of its image: the missing part of the picture is left "
        "blank.");
}

namespace {

constexpr int kMaxViewSide = 8192;
// The least view the engine draws: two pixels wide, one tall.
constexpr int kMinViewWidth = 2;

// The bytes an uncompressed 8-bit file would hold were it whole: its pixels
// start where the engine's loader seeks them.
uint64_t wholeEightBitSize(const uint8_t *h, size_t size)
{
    const auto le32 = dib::readLe32;
    const uint32_t clrUsed = le32(h + 46);
    const uint64_t colors = clrUsed > 0 && clrUsed < 256 ? clrUsed : 256;
    const uint64_t afterTable = 14 + uint64_t{le32(h + 14)} + 4 * colors;
    const uint32_t offBits = le32(h + 10);
    const uint64_t pixelsAt = offBits >= afterTable && offBits < size ? offBits : afterTable;
    const uint64_t stride = (uint64_t(static_cast<int32_t>(le32(h + 18))) + 3) & ~uint64_t{3};
    return pixelsAt + stride * uint64_t(static_cast<int32_t>(le32(h + 22)));
}

// An 8-bit file through the engine's loader. A file that ends early opens
// with the missing rows blank, and the page says so: the loader fills a
// short RLE8 stream itself; uncompressed data is padded with zeros first
// (its size was checked against what the file can claim).
void *loadEightBit(const uint8_t *bytes, size_t size, Report &report)
{
    if (size < kalhost::kBmpHeadBytes || !kalhost::bmpEndsEarly(bytes, size, size))
        return dib::loadDibMemory(bytes, size, true, nullptr);
    void *image = nullptr;
    if (dib::readLe32(bytes + 30) == BI_RLE8) {
        image = dib::loadDibMemory(bytes, size, true, nullptr);
    } else if (const uint64_t whole = wholeEightBitSize(bytes, size); whole > size) {
        std::vector<uint8_t> padded(static_cast<size_t>(whole), 0);
        std::memcpy(padded.data(), bytes, size);
        image = dib::loadDibMemory(padded.data(), padded.size(), true, nullptr);
    }
    if (image) warnEndsEarly(report);
    return image;
}

// A 24- or 32-bit file through the host library's reader into a block of
// the module's own.
bool loadTrueColour(const uint8_t *bytes, size_t size, SessionImage &image, Report &report)
{
    kalhost::RgbaImage decoded;
    bool endsEarly = false;
    std::string why;
    if (!kalhost::readColourBmp(bytes, size, decoded, endsEarly, why)) {
        report.message = "The file " + why + ".";
        return false;
    }
    const size_t count = decoded.pixels.size();
    image.rgba = static_cast<uint32_t *>(std::malloc(count * 4));
    if (!image.rgba) {
        report.message = "The image does not fit the memory the page has left.";
        return false;
    }
    std::memcpy(image.rgba, decoded.pixels.data(), count * 4);
    image.width = decoded.width;
    image.height = decoded.height;
    if (endsEarly) warnEndsEarly(report);
    return true;
}

// Where a syntax error lies: its line and the word there.
std::string syntaxErrorPlace(const std::string &text)
{
    KalAttribs scratch{};
    size_t at = text.size();
    interpretAttribs({reinterpret_cast<const unsigned char *>(text.data()), text.size()}, &scratch,
                     false, 0, &at);
    at = std::min(at, text.size());
    const auto line = 1 + std::count(text.begin(), text.begin() + long(at), '\n');
    size_t end = at;
    while (end < text.size() && end - at < 32 && isAttribWordChar(text[end])) ++end;
    if (end == at && at < text.size()) ++end;  // a single character, such as ")"
    const std::string word = text.substr(at, end - at);
    return "line " + std::to_string(line) +
           (word.empty() ? ", at the end of the text" : ", at \"" + word + "\"");
}

}  // namespace

bool loadImage(const uint8_t *bytes, size_t size, int angle, SessionImage &image, Report &report)
{
    if (!bytes || size < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        report.message = "The file is not an image file.";
        return false;
    }
    const std::string problem = bmpHeaderProblem(bytes, size, angle);
    if (!problem.empty()) {
        report.message = "The file " + problem + ".";
        return false;
    }
    const unsigned bits = size >= 30 ? bytes[28] | bytes[29] << 8 : 8;
    if (bits == 24 || bits == 32) return loadTrueColour(bytes, size, image, report);
    if (bits == 8) image.source = loadEightBit(bytes, size, report);
    if (!image.source)
        report.message = "The file " + kalhost::whyNotLoaded(bytes, size, size) + ".";
    return image.source != nullptr;
}

// The attributes of an image: the attribute text when there is one, else
// the file's own. A text the engine cannot read is left out, and the page
// is told where it went wrong.
bool readAttributes(const std::string &text, const KalAttribs &fileAttribs, KalAttribs &attribs,
                    Report &report)
{
    attribs = fileAttribs;
    if (text.empty()) return true;
    if (kal_AttribString(text.data(), static_cast<int>(text.size()), &attribs)) {
        kalhost::mergeMetadata(attribs, kalhost::givenAttribs(text.data(), text.size()),
                               fileAttribs);
        return true;
    }
    attribs = fileAttribs;
    if (kal_Error(nullptr) != KAL_ERR_NONE) {
        report.message = std::string("The attribute file cannot be read: ") +
                         kalhost::engineErrorText(kal_Error(nullptr));
        return false;
    }
    report.warn("The attribute file has a syntax error in " + syntaxErrorPlace(text) +
                ": the panorama opens without its attributes.");
    return true;
}

std::string viewSizeProblem(int width, int height)
{
    if (width < kMinViewWidth || height < 1)
        return "The view of " + pixelSize(width, height) + " is too small to show the panorama.";
    if (width > kMaxViewSide || height > kMaxViewSide)
        return "The view of " + pixelSize(width, height) + " is larger than the viewer draws (" +
               std::to_string(kMaxViewSide) + " pixels a side).";
    return "";
}

}  // namespace kalweb
