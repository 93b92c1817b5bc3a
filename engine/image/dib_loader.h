// The two sources of kal_LoadDIB: a BMP file, and BMP bytes in memory (a
// resource, or a file the host has read itself).
#ifndef KAL_DIB_LOADER_H
#define KAL_DIB_LOADER_H

#include "image/dib_steps.h"
#include "core/kalinput.h"

namespace dib {

// The two sources. `wholeFile`: the data starts with a 14-byte file header.
void *loadDibFile(LPCSTR filename, BITMAPINFO *bitsInfo);
// loadDibMemory: declared in kalinput.h, for programs too.

}  // namespace dib

#endif
