// What the web module makes of the bytes and text a page hands it: BMP files
// checked before they are loaded, attribute text read or left out with the
// place of its error, and the messages and warnings the page shows.
#include "session_input.h"

#include "../../host/bmp_extent.h"
#include "../../host/open_panorama.h"
#include "attributes/attribute_reader.h"
#include "image/dib_loader.h"
#include "image_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kalweb {

std::string message;
std::string warning;

void warn(const std::string &sentence)
{
    if (warning.find(sentence) == std::string::npos)
        warning += (warning.empty() ? "" : " ") + sentence;
}

namespace {

constexpr int kMaxViewSide = 8192;
// The least view the engine draws: two pixels wide, one tall.
constexpr int kMinViewWidth = 2;

// A BMP file's pixels fill the image block from the file's data. A file that
// ends early opens with the missing rows blank, and the page says so: the
// engine's loader fills a short RLE8 stream itself; uncompressed data is
// padded with zeros first.
void *loadBmp(const uint8_t *bytes, size_t size)
{
    if (!kalhost::bmpEndsEarly(bytes, size, size))
        return dib::loadDibMemory(bytes, size, true, nullptr);
    const uint32_t compression = kalhost::bmpfield::le32(bytes + 30);
    void *image = nullptr;
    if (compression == BI_RLE8) {
        image = dib::loadDibMemory(bytes, size, true, nullptr);
    } else {
        const uint64_t whole = kalhost::bmpExtent(bytes, size, size);
        if (whole > size && whole <= size + kImageBudgetBytes) {
            std::vector<uint8_t> padded(static_cast<size_t>(whole), 0);
            std::memcpy(padded.data(), bytes, size);
            image = dib::loadDibMemory(padded.data(), padded.size(), true, nullptr);
        }
    }
    if (image)
        warn(
            "The file ends before the end of its image: the missing part of the picture is "
            "left blank.");
    return image;
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

void *loadImage(const uint8_t *bytes, size_t size)
{
    if (size < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        message = "The file is not an image file.";
        return nullptr;
    }
    const std::string problem = bmpHeaderProblem(bytes, size);
    if (problem.empty())
        if (void *image = loadBmp(bytes, size)) return image;
    message =
        "The file " + (problem.empty() ? kalhost::whyNotLoaded(bytes, size, size) : problem) + ".";
    return nullptr;
}

// The attributes of an image: the attribute text when there is one, else
// the file's own. A text the engine cannot read is left out, and the page
// is told where it went wrong.
bool readAttributes(const std::string &text, const KalAttribs &fileAttribs, KalAttribs &attribs)
{
    attribs = fileAttribs;
    if (text.empty()) return true;
    if (kal_AttribString(text.data(), static_cast<int>(text.size()), &attribs)) return true;
    attribs = fileAttribs;
    if (kal_Error(nullptr) != KAL_ERR_NONE) {
        message = std::string("The attribute file cannot be read: ") +
                  kalhost::engineErrorText(kal_Error(nullptr));
        return false;
    }
    warn("The attribute file has a syntax error in " + syntaxErrorPlace(text) +
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
