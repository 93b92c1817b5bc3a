// kal_AttribString and kal_AttribFile: fill a caller's attribute block from
// attribute text, counting the hotspots first so that their array is exact.
#include "attribute_api.h"
#include "attribute_reader.h"
#include "core/panorama.h"

#include <cstring>
#include <memory>

size_t hotSpotArrayBytes(int32_t count)
{
    if (count <= 0 || static_cast<uint64_t>(count) > kMaxBlockBytes / sizeof(KalHotSpot)) return 0;
    return static_cast<size_t>(count) * sizeof(KalHotSpot);
}

namespace {

struct BlockFree {
    void operator()(void *block) const { freeBlock(block); }
};
using BlockPtr = std::unique_ptr<unsigned char, BlockFree>;

struct FileCloser {
    HFILE file;
    ~FileCloser() { _lclose(file); }
};

// The whole block is cleared first; an earlier hotSpots pointer is dropped
// without being released, as callers expect.
int attribText(const AttribText &text, KalAttribs *attribs)
{
    int result = interpretAttribs(text, attribs, false, 0);
    int32_t count = attribs->numHotSpots;
    if (result == 0 || count == 0) {
        attribs->numHotSpots = 0;
        return result;
    }
    size_t bytes = hotSpotArrayBytes(count);
    void *array = bytes ? allocBlock(bytes) : nullptr;
    if (!array) {
        attribs->numHotSpots = 0;
        return setError(nullptr, KAL_ERR_MEMORY);
    }
    attribs->hotSpots = static_cast<KalHotSpot *>(array);
    attribs->flags |= KAL_ATTRIB_OWNHOTSPOTS;
    return interpretAttribs(text, attribs, true, count);
}

// Reads the whole file into a new block; null when it cannot be opened,
// is empty, or its size or bytes cannot be read. `length` receives the
// bytes actually read, which may be fewer than the file's size.
BlockPtr readWholeFile(LPCSTR filename, size_t &length)
{
    if (!filename) return nullptr;
    HFILE file = _lopen(filename, OF_READ);
    if (file == HFILE_ERROR) return nullptr;
    FileCloser closer{file};
    LONG size = _llseek(file, 0, FILE_END);
    if (size <= 0 || _llseek(file, 0, FILE_BEGIN) != 0) return nullptr;
    BlockPtr buffer(static_cast<unsigned char *>(allocBlock(static_cast<size_t>(size))));
    if (!buffer) return nullptr;
    UINT got = _lread(file, buffer.get(), static_cast<UINT>(size));
    if (got == static_cast<UINT>(HFILE_ERROR) || got == 0) return nullptr;
    // A short read leaves the tail uninitialised: only `got` bytes count.
    length = got < static_cast<UINT>(size) ? got : static_cast<size_t>(size);
    return buffer;
}

}  // namespace

// A NULL text with Length 0 is the empty text; with any other Length it is
// refused before the block is touched.
extern "C" BOOL KALAPI kal_AttribString(LPCSTR CmdString, int Length, KalAttribs *Attribs)
{
    setError(nullptr, KAL_ERR_NONE);
    if (!Attribs || (!CmdString && Length != 0)) return setError(nullptr, KAL_ERR_PARAM);
    std::memset(Attribs, 0, sizeof *Attribs);
    size_t length = Length > 0 ? static_cast<size_t>(Length) : 0;
    if (Length == -1) {
        length = std::strlen(CmdString);
        if (length > INT32_MAX) length = INT32_MAX;
    }
    return attribText({reinterpret_cast<const unsigned char *>(CmdString), length}, Attribs);
}

extern "C" BOOL KALAPI kal_AttribFile(LPCSTR Filename, KalAttribs *Attribs)
{
    setError(nullptr, KAL_ERR_NONE);
    if (!Attribs) return setError(nullptr, KAL_ERR_PARAM);
    std::memset(Attribs, 0, sizeof *Attribs);
    size_t length = 0;
    BlockPtr buffer = readWholeFile(Filename, length);
    if (!buffer) return FALSE;
    // The text's own result is the caller's to read from the block and
    // the last error; the file was read, which is what this reports.
    kal_AttribString(reinterpret_cast<LPCSTR>(buffer.get()), static_cast<int>(length), Attribs);
    return TRUE;
}
