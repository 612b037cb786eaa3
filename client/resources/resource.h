// Resource and command identifiers of OrvaneWinClient. Hand-written; menus, dialogs and
// accelerators refer to these numbers, so they never change. One range per kind.
#pragma once

// Strings
#define IDS_APP_TITLE                 103   // "OrvaneWinClient"
#define IDS_WINDOW_CLASS              109   // "ORVANEWINCLIENT"

// Icons
#define IDI_ORVANEWINCLIENT           131

// Menu bar and accelerator table
#define IDM_MAIN_MENU                 109
#define IDA_MAIN_ACCELERATORS         109

// Dialog templates
#define IDD_ABOUTBOX                  103
#define IDD_ALL_JOINED                132
#define IDD_RECEIVED_TICKS            134
#define IDD_LATEST_TICKS              135
#define IDD_INPUT_NUMBER              136

// Commands
#define IDM_ABOUT                     104
#define IDM_EXIT                      105
#define IDM_VIEW_ALL_JOINED           32771
#define IDM_VIEW_LATEST_TICKS         32773
#define IDM_VIEW_RECEIVED_TICKS       32774
#define IDM_SET_CANDLE_COUNT          32775
#define IDM_SET_SCROLL_STEP           32776
#define IDM_SET_FUTURE_VIEW           32777
#define IDM_CANDLE_TYPE_CANDLES       32779
#define IDM_CANDLE_TYPE_SHINNEASHI    32780
#define IDM_SET_VERTICAL_SPAN         32786

// Controls of the text views (templates 132, 134, 135)
#define IDC_JOINED_SAVE               1001
#define IDC_JOINED_CANCEL             1002
#define IDC_JOINED_TEXT               1003
#define IDC_JOINED_LABEL              1004
#define IDC_RECEIVED_TEXT             1005
#define IDC_RECEIVED_LABEL            1006
#define IDC_RECEIVED_SAVE             1007
#define IDC_RECEIVED_CANCEL           1008
#define IDC_LATEST_OK                 1009
#define IDC_LATEST_TEXT               1012
#define IDC_LATEST_LABEL              1013

// Controls of the number dialog (template 136)
#define IDC_NUMBER_EDIT               1011
#define IDC_NUMBER_TRACKBAR           1013

#ifndef IDC_STATIC
#define IDC_STATIC                    (-1)
#endif
