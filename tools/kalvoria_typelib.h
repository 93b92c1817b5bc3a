// The Kalvoria type library built from the interface list: C types become
// type words, and the functions and constants become two modules.
#ifndef KAL_KALVORIA_TYPELIB_H
#define KAL_KALVORIA_TYPELIB_H

#include "interface_list.h"
#include "sltg_writer.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace kalapi {

// Handles and integers cross as 32-bit values; record pointers as untyped
// pointers, since the library declares no record types.
inline uint16_t typeWord(const std::string &cType)
{
    struct Entry {
        const char *type;
        uint16_t word;
    };
    static const Entry kTypes[] = {
        {"int", sltg::vtI4},
        {"BOOL", sltg::vtI4},
        {"HPANORAMA", sltg::vtI4},
        {"HWND", sltg::vtI4},
        {"HANDLE", sltg::vtI4},
        {"HINSTANCE", sltg::vtI4},
        {"LPARAM", sltg::vtI4},
        {"LRESULT", sltg::vtI4},
        {"UINT", sltg::vtUI4},
        {"DWORD", sltg::vtUI4},
        {"WPARAM", sltg::vtUI4},
        {"LPCSTR", sltg::vtLpstr},
        {"int *", sltg::pointerTo | sltg::vtI4},
        {"void *", sltg::pointerTo | sltg::vtVoid},
        {"const void *", sltg::pointerTo | sltg::vtVoid},
        {"const BITMAPINFO *", sltg::pointerTo | sltg::vtVoid},
        {"BITMAPINFO *", sltg::pointerTo | sltg::vtVoid},
        {"BITMAPINFOHEADER *", sltg::pointerTo | sltg::vtVoid},
        {"const RECT *", sltg::pointerTo | sltg::vtVoid},
        {"RECT *", sltg::pointerTo | sltg::vtVoid},
        {"POINT *", sltg::pointerTo | sltg::vtVoid},
        {"const KalAttribs *", sltg::pointerTo | sltg::vtVoid},
        {"KalAttribs *", sltg::pointerTo | sltg::vtVoid},
    };
    for (const Entry &e : kTypes)
        if (cType == e.type) return e.word;
    throw std::invalid_argument("no type word for C type \"" + cType + "\"");
}

inline int paramCount(const Function &f)
{
    int n = 0;
    while (n < kMaxParams && f.params[n].name) ++n;
    return n;
}

inline sltg::Library kalvoriaLibrary(bool win64 = false)
{
    sltg::Library lib{kLibraryName, kLibraryHelp, {}, 1, 0, {}, win64 ? uint16_t{3} : uint16_t{1}};
    // Fixed library id, so that every build yields the same library.
    const uint8_t libid[16] = {0x52, 0x1E, 0x3C, 0x6B, 0x47, 0x9A, 0x2E, 0x4D,
                               0x8F, 0x1B, 0x5C, 0x0A, 0x7D, 0x3E, 0x9B, 0x21};
    std::memcpy(lib.libid, libid, sizeof(libid));

    sltg::Module functions{kFunctionsModule, kFunctionsHelp, {}, {}};
    for (const Function &f : kFunctions) {
        sltg::Function fn{f.name, f.help, typeWord(f.result), {}};
        for (int i = 0; i < paramCount(f); ++i)
            fn.params.push_back({f.params[i].name, typeWord(f.params[i].type)});
        functions.functions.push_back(fn);
    }
    sltg::Module constants{kConstantsModule, kConstantsHelp, {}, {}};
    for (const Constant &c : kConstants) constants.constants.push_back({c.name, c.value, c.help});
    lib.modules = {functions, constants};
    return lib;
}

}  // namespace kalapi

#endif
