// An attribute file and a picture's own metadata (GPano) combined field by
// field: what the attribute text gives wins, what it leaves out keeps the
// metadata's value. kalrender and the web module both combine them here.
#ifndef KALHOST_ATTRIBUTE_MERGE_H
#define KALHOST_ATTRIBUTE_MERGE_H

#include "core/kalengine.h"

#include <cstddef>
#include <string>

namespace kalhost {

// Which of the fields metadata can also give an attribute text sets.
struct GivenAttribs {
    bool angle = false;
    bool horizon = false;
    bool orientation = false;
};

GivenAttribs givenAttribs(const char *text, size_t length);

// The same for an attribute file; nothing for a file that cannot be read.
GivenAttribs givenAttribsOfFile(const std::string &path);

// `attribs` as read from the text; each field the text leaves out takes
// the metadata's value.
void mergeMetadata(KalAttribs &attribs, const GivenAttribs &given, const KalAttribs &metadata);

}  // namespace kalhost

#endif
