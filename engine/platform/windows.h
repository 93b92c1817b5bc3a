// Native stand-in for the few Win32 types and calls that the portable parts
// of the engine use. Only the Linux build puts this folder on the include
// path; the Windows build includes the real <windows.h>.
#ifndef KAL_STANDIN_WINDOWS_H
#define KAL_STANDIN_WINDOWS_H

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define FALSE 0
#define TRUE 1

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int32_t INT32;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef const char *LPCSTR;
typedef char *LPSTR;
typedef void *HANDLE;
typedef struct StandInWindow *HWND;
typedef struct StandInInstance *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct StandInPalette *HPALETTE;
typedef struct StandInGdiObject *HGDIOBJ;
typedef struct StandInDc *HDC;
typedef struct StandInCursor *HCURSOR;
typedef struct StandInResource *HRSRC;
typedef void *HGLOBAL;
typedef int HFILE;

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT;
typedef struct tagPOINT {
    LONG x, y;
} POINT;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

typedef struct tagPALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
} PALETTEENTRY;
typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define PC_NOCOLLAPSE 4
#define RASTERCAPS 38
#define BITSPIXEL 12
#define PLANES 14
#define NUMRESERVED 106
#define RC_PALETTE 0x100
#define SYSPAL_STATIC 1
#define SYSPAL_NOSTATIC 2

#define MAKEINTRESOURCEA(i) ((LPCSTR)(uintptr_t)(WORD)(i))
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_WAIT MAKEINTRESOURCEA(32514)

#define OF_READ 0
#define OF_SHARE_DENY_WRITE 0x20
#define HFILE_ERROR ((HFILE)-1)
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

// Kernel: process heap.
HANDLE GetProcessHeap();
void *HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, void *block);

// Kernel: 16-bit style file access.
HFILE _lopen(LPCSTR path, int mode);
UINT _lread(HFILE file, void *buffer, UINT bytes);
LONG _llseek(HFILE file, LONG offset, int origin);
HFILE _lclose(HFILE file);

// Kernel: resources. There are none natively: every lookup fails.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void *LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// GDI: the native screen is never a palette device.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int GetDeviceCaps(HDC dc, int index);
UINT GetSystemPaletteUse(HDC dc);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY *entries);
HPALETTE CreatePalette(const LOGPALETTE *palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY *entries);
BOOL DeleteObject(HANDLE object);

// User: there are no windows natively.
BOOL IsWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT *rect, BOOL erase);
BOOL DestroyWindow(HWND window);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);

#endif
