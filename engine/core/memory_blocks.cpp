// Caller memory blocks: process-heap blocks that either side of the
// interface may allocate and release.
#include "core/panorama.h"

#include <cstdint>

void *allocBlock(size_t size)
{
    if (size > kMaxBlockBytes) return nullptr;
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void freeBlock(void *block)
{
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

extern "C" void *KALAPI kal_AllocResource(DWORD Size)
{
    return allocBlock(Size);
}

extern "C" int KALAPI kal_FreeResource(void *Resource)
{
    freeBlock(Resource);
    return 0;
}
