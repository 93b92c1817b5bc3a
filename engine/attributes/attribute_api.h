// Internals of the attribute operations that tests reach directly: the size
// of a hotspot array, checked against what the heap can hold.
#ifndef KAL_ATTRIBUTE_API_H
#define KAL_ATTRIBUTE_API_H

#include "core/kalengine.h"

#include <cstddef>
#include <cstdint>

// Bytes of an array of `count` hotspots, or 0 when count is not positive or
// the size would pass the 32-bit heap's limit (or wrap a 32-bit size_t).
size_t hotSpotArrayBytes(int32_t count);

#endif
