// libFuzzer target over the web module's way in: a BMP file's bytes and an
// attribute text (its last data[0] bytes) through the header
// checks, the loader and the syntax-error locator into a small session;
// and the first bytes' numbers as a decoded picture's size and GPano fields,
// its view made before or after its pixels.
#include "../../web/src/web_session.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void require(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "web_open_fuzz: %s\n", what);
    std::abort();
}

void openFile(const uint8_t *data, size_t size)
{
    const size_t textSize = std::min<size_t>(data[0], size - 1), fileSize = size - 1 - textSize;
    const std::string text(reinterpret_cast<const char *>(data) + 1 + fileSize, textSize);
    kalweb::Report report;
    kalweb::Session *session = kalweb::openSession(data + 1, fileSize, text, 64, 48, report);
    require(session || !report.message.empty(), "a refusal without a message");
    if (!session) return;
    require(kalweb::renderFrame(*session) != nullptr, "no frame");
    require(kalweb::resizeSession(*session, 32, 24), "no smaller view");
    kalweb::closeSession(session);
}

void prepareColour(const uint8_t *data, size_t size)
{
    if (size < 28) return;
    int32_t width, height;
    std::memcpy(&width, data, 4);
    std::memcpy(&height, data + 4, 4);
    int32_t f[5];
    std::memcpy(f, data + 8, sizeof f);
    kalhost::GPanoFields fields;
    fields.hasFullWidth = fields.hasCroppedWidth = fields.hasCroppedLeft = true;
    fields.hasInitialHeading = fields.hasPoseHeading = true;
    fields.fullWidth = f[0] / 16.0;
    fields.croppedWidth = f[1] / 16.0;
    fields.croppedLeft = f[2] / 16.0;
    fields.initialHeading = f[3] / 16.0;
    fields.poseHeading = f[4] / 16.0;
    // Small sizes only get a block: the budget is the module's, not the fuzzer's.
    width = width % 4096;
    height = height % 4096;
    kalweb::Opening *opening =
        kalweb::openColourBlock(width, height, nullptr, 1 << 20, "", &fields);
    require(opening != nullptr, "no opening");
    uint32_t *block = opening->image.rgba;
    require(block || !opening->report.message.empty(), "no block and no message");
    // Half the time the view is made before the pixels come, as the page does.
    if (block && data[24] & 1) kalweb::prepareOpen(*opening, nullptr, 32, 24);
    if (block) std::memset(block, 0x7f, size_t(opening->size[0]) * size_t(opening->size[1]) * 4);
    kalweb::Session *session = block ? kalweb::finishOpen(*opening, nullptr, 32, 24) : nullptr;
    require(!block || session || !opening->report.message.empty(),
            "a failed finish without a message");
    if (session) require(kalweb::renderFrame(*session) != nullptr, "no colour frame");
    kalweb::closeSession(session);
    kalweb::endOpen(opening);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    openFile(data, size);
    prepareColour(data + 1, size - 1);
    return 0;
}
