// The two-level last error: one process-wide code plus one per record.
#include "core/panorama.h"

namespace {
int processError = KAL_ERR_NONE;  // one thread by design, no lock
}

int setError(Panorama *rec, int code)
{
    processError = code;
    if (rec) rec->error = static_cast<uint16_t>(code);
    return 0;
}

extern "C" int KALAPI kal_Error(HPANORAMA Panorama)
{
    return Panorama ? Panorama->error : processError;
}
