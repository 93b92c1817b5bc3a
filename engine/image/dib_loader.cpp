// kal_LoadDIB: a file, or a resource through the loader of bytes in memory.
#include "image/dib_loader.h"

#include <memory>

namespace dib {
namespace {

struct ResourceRelease {
    void operator()(void *data) const { FreeResource(data); }
};

bool isBitmapType(LPCSTR type)
{
    return IS_INTRESOURCE(type) && reinterpret_cast<uintptr_t>(type) == 2;
}

void *loadDibResource(HINSTANCE instance, LPCSTR name, LPCSTR type, BITMAPINFO *bitsInfo)
{
    HRSRC found = FindResourceA(instance, name, type);
    if (!found) return nullptr;
    std::unique_ptr<void, ResourceRelease> loaded(LoadResource(instance, found));
    if (!loaded) return nullptr;
    const auto *data = static_cast<const uint8_t *>(LockResource(loaded.get()));
    if (!data) return nullptr;
    return loadDibMemory(data, SizeofResource(instance, found), !isBitmapType(type), bitsInfo);
}

}  // namespace
}  // namespace dib

extern "C" void *KALAPI kal_LoadDIB(LPCSTR Filename, BITMAPINFO *BitsInfo, HINSTANCE hInstance,
                                    LPCSTR ResourceType)
{
    if (!ResourceType) return dib::loadDibFile(Filename, BitsInfo);
    return dib::loadDibResource(hInstance, Filename, ResourceType, BitsInfo);
}
