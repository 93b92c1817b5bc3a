// Render path selection, for tests and benchmarks that compare the
// specialised spans with the plain per-pixel loop.
#ifndef KAL_RENDERER_H
#define KAL_RENDERER_H

// true: every render takes the per-pixel reference loop. Default false.
void setReferenceRendering(bool on);

#endif
