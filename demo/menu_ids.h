// Command ids of the demo's menu; shared by the resource script and the code,
// so this header holds plain defines only.
#ifndef KALDEMO_MENU_IDS_H
#define KALDEMO_MENU_IDS_H

#define IDM_EXIT 100
#define IDM_OPEN 102
#define IDM_CLOSE 103
#define IDM_ABOUT 104
#define IDM_AUTOSCALE 110
#define IDM_SIZE_320 111
#define IDM_SIZE_640 112
#define IDM_COMPASS 113
#define IDM_ZOOM_NOLIMIT 114
#define IDM_ZOOM_5X 115
#define IDM_ZOOM_10X 116

#endif
