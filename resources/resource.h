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
#define IDC_FOLDER 1000      // install folder edit field
#define IDC_BROWSE 1001      // "浏览"
#define IDC_LIST 1002        // style and order-software lists
#define IDC_WHEEL 1002       // "鼠标滚轮" list of the K-line page
#define IDC_LABEL 1008       // area of a painted label
#define IDC_PROGRESS 1010    // extraction progress bar
#define IDC_TREE 1011        // navigation tree of the settings pages
#define IDC_ZQTRADER 1015    // "双击买卖价弹出星捷下单窗口"
#define IDC_STATUS 1025      // extraction status text
#define IDC_IMAGE_AREA 1026  // area of the welcome window's image
#define IDC_TEXT_AREA 1027   // area of a screen's painted text
#define IDC_TATABBTN 1030    // "图表窗口的小工具条是否显示(热键：Alt + B)"
#define IDC_ORDERBOARD 1032  // "星捷下单板" list
#define IDC_TOOLBAR 1035     // "工具条" list
#define IDC_NEWSBAR 1036     // "滚动新闻" list
#define IDC_TABBAR 1037      // "书签工具条" list
#define IDC_VUTOOLBAR 1038   // hidden check box "vu工具条是否显示"

// Initial data of dialog templates: the resource type, and the message that
// adds a drop-down list's item (the value the resource format uses).
#define RT_DLGINIT_ID 240
#define CB_ADDSTRING_INIT 0x0403

// Resource ids of the manifest and of static controls without an id.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
