// What the web module makes of the bytes and text a page hands it: BMP files
// checked before they are loaded, attribute text read or left out with the
// place of its error, and the messages and warnings the page shows.
#include "session_input.h"

#include "kalhost/attribute_merge.h"
#include "kalhost/bmp_reader.h"
#include "kalhost/open_panorama.h"
#include "core/kalinput.h"
#include "image_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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
    std::string why = bmpHeaderProblem(bytes, size, angle);
    kalhost::BmpImage read;
    if (!why.empty() || !kalhost::readBmp(bytes, size, angle, read, why)) {
        report.message = "The file " + why + ".";
        return false;
    }
    if (read.dib) {
        image.source = read.dib.release();
    } else {
        // Into a block of the module's own, which the session frees, with
        // the rows top-down as a decoded picture's.
        const size_t width = size_t(read.colour.width), height = size_t(read.colour.height);
        image.rgba = static_cast<uint32_t *>(std::malloc(width * height * 4));
        if (!image.rgba) {
            report.message = "The image does not fit the memory the page has left.";
            return false;
        }
        const uint32_t *rows = read.colour.pixels.data();
        for (size_t r = 0; r < height; ++r)
            std::memcpy(image.rgba + r * width, rows + (height - 1 - r) * width, width * 4);
        image.width = read.colour.width;
        image.height = read.colour.height;
    }
    if (read.endsEarly) warnEndsEarly(report);
    return true;
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
