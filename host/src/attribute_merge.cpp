// Which plain fields an attribute text sets, found by reading it twice from
// two different starting values: a field the text sets ends the same.
#include "kalhost/attribute_merge.h"

#include "core/kalinput.h"

#include <fstream>
#include <iterator>

namespace kalhost {

GivenAttribs givenAttribs(const char *text, size_t length)
{
    const AttribText t = {reinterpret_cast<const unsigned char *>(text), text ? length : 0};
    KalAttribs a{}, b{};
    a.angle = a.horizon = a.orientation = 1;
    b.angle = b.horizon = b.orientation = 2;
    // Counting mode sets the plain values and allocates nothing.
    interpretAttribs(t, &a, false, 0);
    interpretAttribs(t, &b, false, 0);
    GivenAttribs given;
    given.angle = a.angle == b.angle;
    given.horizon = a.horizon == b.horizon;
    given.orientation = a.orientation == b.orientation;
    return given;
}

GivenAttribs givenAttribsOfFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return givenAttribs(text.data(), text.size());
}

void mergeMetadata(KalAttribs &attribs, const GivenAttribs &given, const KalAttribs &metadata)
{
    if (!given.angle) attribs.angle = metadata.angle;
    if (!given.horizon) attribs.horizon = metadata.horizon;
    if (!given.orientation) attribs.orientation = metadata.orientation;
}

}  // namespace kalhost
