/* Kalvoria panoramic imaging engine: the exported interface of kalengine.dll.
   Plain C so that any host language that reads C headers can bind to it. */
#ifndef KALENGINE_H
#define KALENGINE_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KALAPI WINAPI

/* Opaque panorama handle; 0 means no panorama. */
typedef struct Panorama *HPANORAMA;

/* Last-error codes (kal_Error). */
#define KAL_ERR_NONE 0
#define KAL_ERR_IMGSIZE 1
#define KAL_ERR_VPSIZE 2
#define KAL_ERR_MEMORY 3
#define KAL_ERR_WRONGFORMAT 4
#define KAL_ERR_PARAM 5
#define KAL_ERR_ANGLE 6
#define KAL_ERR_COORDS 7
#define KAL_ERR_INDEX 8

/* Bound flags returned by moves: which limit was hit. */
#define KAL_BOUND_X 1
#define KAL_BOUND_Y 2
#define KAL_BOUND_Z 4

/* kal_GetValue / kal_SetValue codes. */
#define KAL_VALUE_HORIZON 0
#define KAL_VALUE_ANGLE 1
#define KAL_VALUE_RADIUS 2
#define KAL_VALUE_NUMHOTSPOTS 3
#define KAL_VALUE_ID 4
#define KAL_VALUE_XPOS 5
#define KAL_VALUE_YPOS 6
#define KAL_VALUE_ZPOS 7
#define KAL_VALUE_MSGNUM 8
#define KAL_VALUE_ORIENTATION 9
#define KAL_VALUE_SRCWIDTH 10
#define KAL_VALUE_SRCHEIGHT 11
#define KAL_VALUE_VPWIDTH 12
#define KAL_VALUE_VPHEIGHT 13
#define KAL_VALUE_MAXZOOM 14
#define KAL_VALUE_SPEED 15

/* kal_GetData codes. */
#define KAL_DATA_IMAGE 100
#define KAL_DATA_VIEWPORT 101
#define KAL_DATA_BITMAPINFO 102
#define KAL_DATA_LENS 103
#define KAL_DATA_HOTSPOTLBL 104
#define KAL_DATA_HOTSPOTTEXT 105
#define KAL_DATA_HOTSPOTLIST 106

/* kal_GetHandle / kal_SetHandle codes. */
#define KAL_HANDLE_PALETTE 200
#define KAL_HANDLE_VIEWERWND 201
#define KAL_HANDLE_NOTIFYWND 202

/* kal_GetRect code. */
#define KAL_RECT_HOTSPOT 300

/* Window messages: notifications to the host and commands from it. */
#define KAL_COMMAND 1102
#define KAL_NOTIFY 1103

/* Notification codes (wParam of KAL_NOTIFY). */
#define KN_SELHOTSPOT 0
#define KN_HITHOTSPOT 1
#define KN_MOVE 2
#define KN_HALT 3

/* Command codes (wParam of KAL_COMMAND). */
#define KC_ORIENTATION 0
#define KC_TIMERTICK 1

/* Bit 0 of KalAttribs.flags: the engine allocated hotSpots. */
#define KAL_ATTRIB_OWNHOTSPOTS 1

/* One hotspot: a rectangle of the source image with a label and a text. */
typedef struct KalHotSpot {
    RECT rect; /* source pixels; left/top inside, right/bottom outside */
    char label[128];
    char text[128];
} KalHotSpot;

/* Attribute block: input of kal_Create and kal_Replace, filled by the
   attribute language. 156 bytes on i686, 160 on x86-64: the hotspot pointer
   is 8 bytes there and every later field moves by 4. KalHotSpot is 272 bytes
   on both. */
typedef struct KalAttribs {
    INT32 angle;       /* degrees spanned; 0 means 360 */
    INT32 horizon;     /* horizon offset from the middle row, in source rows */
    INT32 orientation; /* compass bearing of source column 0 */
    INT32 numHotSpots;
    KalHotSpot *hotSpots;
    char userString[128];
    DWORD flags; /* KAL_ATTRIB_OWNHOTSPOTS */
    DWORD reserved;
} KalAttribs;

/* Lifecycle and memory blocks. */
HPANORAMA KALAPI kal_Create(const BITMAPINFO *BitsInfo, const void *ImageBits, const RECT *ViewPort,
                            const KalAttribs *Attribs);
BOOL KALAPI kal_Delete(HPANORAMA Panorama, BOOL DeleteImage);
int KALAPI kal_Error(HPANORAMA Panorama);
void *KALAPI kal_AllocResource(DWORD Size);
int KALAPI kal_FreeResource(void *Resource);

/* Image replacement and minimum image size. */
BOOL KALAPI kal_Replace(HPANORAMA Panorama, const BITMAPINFO *BitsInfo, const void *ImageBits,
                        const KalAttribs *Attribs, BOOL DeleteDIB);
BOOL KALAPI kal_MinImageSize(int *Width, int *Height, const RECT *ViewPort, int Angle);

/* Rendering, movement and mapping. */
void *KALAPI kal_GetView(HPANORAMA Panorama, BITMAPINFO *BitsInfo);
int KALAPI kal_Move(HPANORAMA Panorama, int DeltaX, int DeltaY, int DeltaZ);
int KALAPI kal_SetPos(HPANORAMA Panorama, int X, int Y, int Z);
BOOL KALAPI kal_MapCoordinates(HPANORAMA Panorama, int X, int Y, POINT *Point);

/* Images. */
void *KALAPI kal_LoadDIB(LPCSTR Filename, BITMAPINFO *BitsInfo, HINSTANCE hInstance,
                         LPCSTR ResourceType);
void *KALAPI kal_ScaleDIB(BITMAPINFOHEADER *SrcInfo, void *SrcBits, BITMAPINFOHEADER *DstInfo,
                          int Width, int Height, BOOL DeleteSrc);

/* Attributes and hotspots. */
BOOL KALAPI kal_AttribString(LPCSTR CmdString, int Length, KalAttribs *Attribs);
BOOL KALAPI kal_AttribFile(LPCSTR Filename, KalAttribs *Attribs);
BOOL KALAPI kal_CheckHotSpot(HPANORAMA Panorama, int X, int Y, int *Index);

/* Accessors. */
int KALAPI kal_GetValue(HPANORAMA Panorama, UINT Code);
BOOL KALAPI kal_SetValue(HPANORAMA Panorama, UINT Code, int Value);
void *KALAPI kal_GetData(HPANORAMA Panorama, UINT Code, int Index);
RECT *KALAPI kal_GetRect(HPANORAMA Panorama, UINT Code, int Index);
HANDLE KALAPI kal_GetHandle(HPANORAMA Panorama, UINT Code);
BOOL KALAPI kal_SetHandle(HPANORAMA Panorama, UINT Code, HANDLE Handle);

/* Windows. */
HWND KALAPI kal_CreateWindow(HPANORAMA Panorama, DWORD dwStyle, HWND hwndParent);
HWND KALAPI kal_CreateCompass(int X, int Y, HWND hwndParent, int Child);
LRESULT CALLBACK KalNavigate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK KalCompass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif /* KALENGINE_H */
