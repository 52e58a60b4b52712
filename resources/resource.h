// Identifiers of the setup program's resources: dialog templates, controls,
// the icon, the string table and the system-menu command of the about box.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_SETUP_DIALOG 102
#define IDD_PROP1 107
#define IDD_PROP2 108
#define IDD_PROP3 109
#define IDD_PROP2_2 172
#define IDD_PROP2_1 173
#define IDD_DLGNEW1 174
#define IDD_DLGNEW2 175
#define IDD_DLGNEW3 176

// The program icon.
#define IDR_MAINFRAME 128

// Strings.
#define IDS_ABOUTBOX 101

// System-menu command of the about entry (its low four bits must be zero).
#define IDM_ABOUTBOX 0x0010

// Controls.
#define IDC_FOLDER 1000         // install folder edit field
#define IDC_BROWSE 1001         // "浏览"
#define IDC_LIST 1002           // style and order-software lists
#define IDC_LABEL 1008          // area of a painted label
#define IDC_PROGRESS 1010       // extraction progress bar
#define IDC_TREE 1011           // navigation tree of the settings pages
#define IDC_STATUS 1025         // extraction status text
#define IDC_IMAGE_AREA 1026     // area of the welcome window's image
#define IDC_TEXT_AREA 1027      // area of a screen's painted text

// Resource ids of the manifest and of static controls without an id.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
