// How the web module's C interface is exported: kept alive for the page in
// the WebAssembly build, plain C functions in the native test build.
#ifndef KALWEB_EXPORT_H
#define KALWEB_EXPORT_H

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define KALWEB_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define KALWEB_EXPORT
#endif

#endif
