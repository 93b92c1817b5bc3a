// The benchmark module's extra exports: the bare renderer over a fixed set
// of views. Only the benchmark's build of the module carries them.
#include "../src/exports.h"
#include "../src/web_session.h"
#include "render_views.h"

extern "C" {

KALWEB_EXPORT int kalweb_renderViews(Session *s, int repeats)
{
    return s && s->pano ? kalweb::renderViews(s->pano, repeats) : 0;
}

}  // extern "C"
