// The one reader of little-endian fields in stored headers (BMP files), for
// the engine and the programs that look at a file before loading it.
#ifndef KAL_LITTLE_ENDIAN_H
#define KAL_LITTLE_ENDIAN_H

#include <cstdint>

namespace dib {

inline uint32_t readLe32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

}  // namespace dib

#endif
