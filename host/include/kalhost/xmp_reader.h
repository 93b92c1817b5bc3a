// A small namespace-aware reader of XMP packets: the simple properties of
// one namespace, whatever prefix binds it, as attributes or as elements.
#ifndef KALHOST_XMP_READER_H
#define KALHOST_XMP_READER_H

#include <string>
#include <string_view>
#include <vector>

namespace kalhost {

struct XmpProperty {
    std::string name;   // the local name
    std::string value;  // entities resolved, spaces around it trimmed
};

// The properties in namespace `ns`, in packet order (the first of a name is
// the one that counts): attributes of any element, and elements that hold
// only text. A prefix the packet never binds is taken as `ns` when it is
// `usualPrefix` (packets that forget the declaration exist). Comments,
// processing instructions and CDATA are read as XML reads them; reading
// stops at the first malformed tag, keeping what it found before.
std::vector<XmpProperty> readXmpProperties(std::string_view packet, std::string_view ns,
                                           std::string_view usualPrefix);

}  // namespace kalhost

#endif
