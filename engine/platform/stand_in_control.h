// Test controls of the native stand-in: make the heap refuse, shorten a read,
// count live blocks and GDI objects. Native builds only.
#ifndef KAL_STAND_IN_CONTROL_H
#define KAL_STAND_IN_CONTROL_H

// HeapAlloc fails once `successes` more allocations have succeeded; -1 never.
void standInFailHeapAfter(int successes);
// Blocks from HeapAlloc not yet released.
long standInLiveHeapBlocks();
// Palettes from CreatePalette not yet deleted.
long standInLivePalettes();
// The next _lread delivers at most `bytes` bytes (a short read); -1 no limit.
void standInLimitNextRead(long bytes);

#endif
