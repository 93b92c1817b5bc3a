// Native implementations of the stand-in Win32 calls: heap on malloc, files
// on POSIX descriptors, palettes as plain copies, no windows and no resources.
#include <windows.h>

#include "stand_in_control.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
int heapSuccessesLeft = -1;
long liveBlocks = 0;
long livePalettes = 0;
long nextReadLimit = -1;

struct PaletteObject {
    uint32_t magic;
    PALETTEENTRY entries[256];
    UINT count;
};
constexpr uint32_t kPaletteMagic = 0x50414c31;
}  // namespace

void standInFailHeapAfter(int successes)
{
    heapSuccessesLeft = successes;
}
long standInLiveHeapBlocks()
{
    return liveBlocks;
}
long standInLivePalettes()
{
    return livePalettes;
}
void standInLimitNextRead(long bytes)
{
    nextReadLimit = bytes;
}

HANDLE GetProcessHeap()
{
    return reinterpret_cast<HANDLE>(1);
}

void *HeapAlloc(HANDLE, DWORD, SIZE_T bytes)
{
    if (heapSuccessesLeft == 0) return nullptr;
    if (heapSuccessesLeft > 0) --heapSuccessesLeft;
    void *block = std::malloc(bytes ? bytes : 1);
    if (block) ++liveBlocks;
    return block;
}

BOOL HeapFree(HANDLE, DWORD, void *block)
{
    if (!block) return FALSE;
    --liveBlocks;
    std::free(block);
    return TRUE;
}

HFILE _lopen(LPCSTR path, int)
{
    if (!path) return HFILE_ERROR;
    int fd = open(path, O_RDONLY);
    return fd < 0 ? HFILE_ERROR : fd;
}

UINT _lread(HFILE file, void *buffer, UINT bytes)
{
    if (nextReadLimit >= 0 && bytes > static_cast<UINT>(nextReadLimit))
        bytes = static_cast<UINT>(nextReadLimit);
    nextReadLimit = -1;
    UINT done = 0;
    auto *out = static_cast<char *>(buffer);
    while (done < bytes) {
        ssize_t got = read(file, out + done, bytes - done);
        if (got < 0) return done ? done : static_cast<UINT>(HFILE_ERROR);
        if (got == 0) break;
        done += static_cast<UINT>(got);
    }
    return done;
}

LONG _llseek(HFILE file, LONG offset, int origin)
{
    int whence = origin == FILE_BEGIN ? SEEK_SET : origin == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t pos = lseek(file, offset, whence);
    if (pos < 0 || pos > INT32_MAX) return HFILE_ERROR;
    return static_cast<LONG>(pos);
}

HFILE _lclose(HFILE file)
{
    return close(file) == 0 ? 0 : HFILE_ERROR;
}

HRSRC FindResourceA(HMODULE, LPCSTR, LPCSTR)
{
    return nullptr;
}
HGLOBAL LoadResource(HMODULE, HRSRC)
{
    return nullptr;
}
void *LockResource(HGLOBAL)
{
    return nullptr;
}
DWORD SizeofResource(HMODULE, HRSRC)
{
    return 0;
}
BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}

HDC GetDC(HWND)
{
    return nullptr;
}
int ReleaseDC(HWND, HDC)
{
    return 1;
}
int GetDeviceCaps(HDC, int)
{
    return 0;
}
UINT GetSystemPaletteUse(HDC)
{
    return SYSPAL_STATIC;
}
UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY *)
{
    return 0;
}

HPALETTE CreatePalette(const LOGPALETTE *palette)
{
    if (!palette || palette->palNumEntries == 0 || palette->palNumEntries > 256) return nullptr;
    auto *object = new (std::nothrow) PaletteObject{};
    if (!object) return nullptr;
    object->magic = kPaletteMagic;
    object->count = palette->palNumEntries;
    std::memcpy(object->entries, palette->palPalEntry, object->count * sizeof(PALETTEENTRY));
    ++livePalettes;
    return reinterpret_cast<HPALETTE>(object);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY *entries)
{
    auto *object = reinterpret_cast<PaletteObject *>(palette);
    if (!object || object->magic != kPaletteMagic || start >= object->count) return 0;
    if (count > object->count - start) count = object->count - start;
    std::memcpy(entries, object->entries + start, count * sizeof(PALETTEENTRY));
    return count;
}

BOOL DeleteObject(HANDLE handle)
{
    auto *object = static_cast<PaletteObject *>(handle);
    if (!object || object->magic != kPaletteMagic) return FALSE;
    object->magic = 0;
    --livePalettes;
    delete object;
    return TRUE;
}

BOOL IsWindow(HWND)
{
    return FALSE;
}
BOOL InvalidateRect(HWND, const RECT *, BOOL)
{
    return FALSE;
}
BOOL DestroyWindow(HWND)
{
    return FALSE;
}
HCURSOR LoadCursorA(HINSTANCE, LPCSTR)
{
    return nullptr;
}
HCURSOR SetCursor(HCURSOR)
{
    return nullptr;
}
