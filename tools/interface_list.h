// The exported interface of kalengine.dll as data: every function with its
// parameters and every constant with its value, each with a help string.
// The type library is generated from this list; tests hold it to kalengine.h.
#ifndef KAL_INTERFACE_LIST_H
#define KAL_INTERFACE_LIST_H

#include <cstdint>

namespace kalapi {

struct Param {
    const char *type;  // C type as kalengine.h spells it
    const char *name;
};

constexpr int kMaxParams = 6;

struct Function {
    const char *result;  // C type of the result
    const char *name;
    Param params[kMaxParams];  // unused entries have a null name
    const char *help;
};

struct Constant {
    const char *name;
    int32_t value;
    const char *help;
};

constexpr const char *kDllName = "KALENGINE.DLL";

constexpr Function kFunctions[] = {
    {"HPANORAMA",
     "kal_Create",
     {{"const BITMAPINFO *", "BitsInfo"},
      {"const void *", "ImageBits"},
      {"const RECT *", "ViewPort"},
      {"const KalAttribs *", "Attribs"}},
     "Creates a panorama from an 8-bit image and a viewport"},
    {"BOOL",
     "kal_Delete",
     {{"HPANORAMA", "Panorama"}, {"BOOL", "DeleteImage"}},
     "Deletes a panorama and its window"},
    {"int", "kal_Error", {{"HPANORAMA", "Panorama"}}, "Returns the last error code"},
    {"void *",
     "kal_AllocResource",
     {{"DWORD", "Size"}},
     "Allocates a memory block from the process heap"},
    {"int",
     "kal_FreeResource",
     {{"void *", "Resource"}},
     "Frees a memory block of the process heap"},
    {"BOOL",
     "kal_Replace",
     {{"HPANORAMA", "Panorama"},
      {"const BITMAPINFO *", "BitsInfo"},
      {"const void *", "ImageBits"},
      {"const KalAttribs *", "Attribs"},
      {"BOOL", "DeleteDIB"}},
     "Replaces the image of a panorama"},
    {"BOOL",
     "kal_MinImageSize",
     {{"int *", "Width"}, {"int *", "Height"}, {"const RECT *", "ViewPort"}, {"int", "Angle"}},
     "Computes the smallest image size for a viewport"},
    {"void *",
     "kal_GetView",
     {{"HPANORAMA", "Panorama"}, {"BITMAPINFO *", "BitsInfo"}},
     "Renders the current view into the view buffer"},
    {"int",
     "kal_Move",
     {{"HPANORAMA", "Panorama"}, {"int", "DeltaX"}, {"int", "DeltaY"}, {"int", "DeltaZ"}},
     "Moves the view and returns the bound flags"},
    {"int",
     "kal_SetPos",
     {{"HPANORAMA", "Panorama"}, {"int", "X"}, {"int", "Y"}, {"int", "Z"}},
     "Sets the view position and returns the bound flags"},
    {"BOOL",
     "kal_MapCoordinates",
     {{"HPANORAMA", "Panorama"}, {"int", "X"}, {"int", "Y"}, {"POINT *", "Point"}},
     "Maps a viewport point to an image point"},
    {"void *",
     "kal_LoadDIB",
     {{"LPCSTR", "Filename"},
      {"BITMAPINFO *", "BitsInfo"},
      {"HINSTANCE", "hInstance"},
      {"LPCSTR", "ResourceType"}},
     "Loads an 8-bit bitmap from a file or a resource"},
    {"void *",
     "kal_ScaleDIB",
     {{"BITMAPINFOHEADER *", "SrcInfo"},
      {"void *", "SrcBits"},
      {"BITMAPINFOHEADER *", "DstInfo"},
      {"int", "Width"},
      {"int", "Height"},
      {"BOOL", "DeleteSrc"}},
     "Scales an 8-bit bitmap to a new size"},
    {"BOOL",
     "kal_AttribString",
     {{"LPCSTR", "CmdString"}, {"int", "Length"}, {"KalAttribs *", "Attribs"}},
     "Reads attributes from a text"},
    {"BOOL",
     "kal_AttribFile",
     {{"LPCSTR", "Filename"}, {"KalAttribs *", "Attribs"}},
     "Reads attributes from a file"},
    {"BOOL",
     "kal_CheckHotSpot",
     {{"HPANORAMA", "Panorama"}, {"int", "X"}, {"int", "Y"}, {"int *", "Index"}},
     "Finds the hotspot under a viewport point"},
    {"int",
     "kal_GetValue",
     {{"HPANORAMA", "Panorama"}, {"UINT", "Code"}},
     "Reads a value of a panorama"},
    {"BOOL",
     "kal_SetValue",
     {{"HPANORAMA", "Panorama"}, {"UINT", "Code"}, {"int", "Value"}},
     "Sets a value of a panorama"},
    {"void *",
     "kal_GetData",
     {{"HPANORAMA", "Panorama"}, {"UINT", "Code"}, {"int", "Index"}},
     "Returns a pointer to data of a panorama"},
    {"RECT *",
     "kal_GetRect",
     {{"HPANORAMA", "Panorama"}, {"UINT", "Code"}, {"int", "Index"}},
     "Returns a rectangle of a panorama"},
    {"HANDLE",
     "kal_GetHandle",
     {{"HPANORAMA", "Panorama"}, {"UINT", "Code"}},
     "Returns a handle of a panorama"},
    {"BOOL",
     "kal_SetHandle",
     {{"HPANORAMA", "Panorama"}, {"UINT", "Code"}, {"HANDLE", "Handle"}},
     "Sets a handle of a panorama"},
    {"HWND",
     "kal_CreateWindow",
     {{"HPANORAMA", "Panorama"}, {"DWORD", "dwStyle"}, {"HWND", "hwndParent"}},
     "Creates the navigation window of a panorama"},
    {"HWND",
     "kal_CreateCompass",
     {{"int", "X"}, {"int", "Y"}, {"HWND", "hwndParent"}, {"int", "Child"}},
     "Creates a compass window"},
    {"LRESULT",
     "KalNavigate",
     {{"HWND", "hwnd"}, {"UINT", "msg"}, {"WPARAM", "wParam"}, {"LPARAM", "lParam"}},
     "Window procedure of the navigation window"},
    {"LRESULT",
     "KalCompass",
     {{"HWND", "hwnd"}, {"UINT", "msg"}, {"WPARAM", "wParam"}, {"LPARAM", "lParam"}},
     "Window procedure of the compass window"},
};

constexpr Constant kConstants[] = {
    {"KAL_ERR_NONE", 0, "Error code: no error"},
    {"KAL_ERR_IMGSIZE", 1, "Error code: unusable image size"},
    {"KAL_ERR_VPSIZE", 2, "Error code: unusable viewport size"},
    {"KAL_ERR_MEMORY", 3, "Error code: out of memory"},
    {"KAL_ERR_WRONGFORMAT", 4, "Error code: not an 8-bit bitmap"},
    {"KAL_ERR_PARAM", 5, "Error code: bad parameter"},
    {"KAL_ERR_ANGLE", 6, "Error code: bad angle"},
    {"KAL_ERR_COORDS", 7, "Error code: point outside the viewport"},
    {"KAL_ERR_INDEX", 8, "Error code: bad index"},
    {"KAL_BOUND_X", 1, "Bound flag: horizontal limit hit"},
    {"KAL_BOUND_Y", 2, "Bound flag: vertical limit hit"},
    {"KAL_BOUND_Z", 4, "Bound flag: zoom limit hit"},
    {"KAL_VALUE_HORIZON", 0, "Value code: horizon"},
    {"KAL_VALUE_ANGLE", 1, "Value code: angle spanned"},
    {"KAL_VALUE_RADIUS", 2, "Value code: cylinder radius"},
    {"KAL_VALUE_NUMHOTSPOTS", 3, "Value code: number of hotspots"},
    {"KAL_VALUE_ID", 4, "Value code: panorama id"},
    {"KAL_VALUE_XPOS", 5, "Value code: horizontal position"},
    {"KAL_VALUE_YPOS", 6, "Value code: vertical position"},
    {"KAL_VALUE_ZPOS", 7, "Value code: zoom"},
    {"KAL_VALUE_MSGNUM", 8, "Value code: notification message number"},
    {"KAL_VALUE_ORIENTATION", 9, "Value code: orientation"},
    {"KAL_VALUE_SRCWIDTH", 10, "Value code: image width"},
    {"KAL_VALUE_SRCHEIGHT", 11, "Value code: image height"},
    {"KAL_VALUE_VPWIDTH", 12, "Value code: viewport width"},
    {"KAL_VALUE_VPHEIGHT", 13, "Value code: viewport height"},
    {"KAL_VALUE_MAXZOOM", 14, "Value code: zoom limit"},
    {"KAL_VALUE_SPEED", 15, "Value code: animation timer period"},
    {"KAL_DATA_IMAGE", 100, "Data code: image bits"},
    {"KAL_DATA_VIEWPORT", 101, "Data code: view buffer"},
    {"KAL_DATA_BITMAPINFO", 102, "Data code: view bitmap description"},
    {"KAL_DATA_LENS", 103, "Data code: lens table"},
    {"KAL_DATA_HOTSPOTLBL", 104, "Data code: hotspot label"},
    {"KAL_DATA_HOTSPOTTEXT", 105, "Data code: hotspot text"},
    {"KAL_DATA_HOTSPOTLIST", 106, "Data code: hotspot array"},
    {"KAL_HANDLE_PALETTE", 200, "Handle code: palette"},
    {"KAL_HANDLE_VIEWERWND", 201, "Handle code: navigation window"},
    {"KAL_HANDLE_NOTIFYWND", 202, "Handle code: notify window"},
    {"KAL_RECT_HOTSPOT", 300, "Rectangle code: hotspot rectangle"},
    {"KAL_COMMAND", 1102, "Message: command to an engine window"},
    {"KAL_NOTIFY", 1103, "Message: default notification number"},
    {"KN_SELHOTSPOT", 0, "Notification: hotspot selected"},
    {"KN_HITHOTSPOT", 1, "Notification: pointer over a hotspot"},
    {"KN_MOVE", 2, "Notification: view moved"},
    {"KN_HALT", 3, "Notification: motion ended"},
    {"KC_ORIENTATION", 0, "Command: show a bearing on the compass"},
    {"KC_TIMERTICK", 1, "Command: one motion tick"},
    {"KAL_ATTRIB_OWNHOTSPOTS", 1, "Attribute flag: the engine allocated the hotspots"},
};

constexpr const char *kLibraryName = "Kalvoria";
constexpr const char *kLibraryHelp = "Kalvoria API";
// Module names join their words with a non-breaking space (0xA0 in cp1252).
constexpr const char *kFunctionsModule =
    "Kalvoria\xA0"
    "Functions";
constexpr const char *kConstantsModule =
    "Kalvoria\xA0"
    "Constants";
constexpr const char *kFunctionsHelp = "Exported functions of KALENGINE.DLL";
constexpr const char *kConstantsHelp = "Constants of the KALENGINE.DLL interface";

}  // namespace kalapi

#endif
