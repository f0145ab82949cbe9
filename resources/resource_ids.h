// Numeric identifiers of the program's resources and menu commands. Plain
// preprocessor constants: the resource script and the portable code both
// include this file, so it uses no OS header.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_ZLV_GMOUSE_DIALOG 102
#define IDD_FUNCTION_MENU 103
#define IDD_FUNCTION_SUBMENU 104
#define IDD_WARNING 105

// Strings.
#define IDS_ABOUTBOX 101

// Icons. IDI_APP is the application's icon group; IDR_MAINFRAME is the about
// box's picture.
#define IDR_MAINFRAME 128
#define IDI_APP 159

// Menus: the macro event list's context menu and the tray menu, each in
// English and in Chinese.
#define IDR_LIST_MENU_EN 154
#define IDR_TRAY_MENU_EN 157
#define IDR_LIST_MENU_CN 161
#define IDR_TRAY_MENU_CN 162

// The about item appended to the system menu.
#define IDM_ABOUTBOX 0x0010

// Context menu, English.
#define ID_EN_FORWARD_LEFT_DOWN 32802
#define ID_EN_FORWARD_LEFT_UP 32803
#define ID_EN_FORWARD_RIGHT_DOWN 32804
#define ID_EN_FORWARD_RIGHT_UP 32805
#define ID_EN_FORWARD_MID_DOWN 32806
#define ID_EN_FORWARD_MID_UP 32807
#define ID_EN_BACKWARD_LEFT_DOWN 32809
#define ID_EN_BACKWARD_LEFT_UP 32810
#define ID_EN_BACKWARD_RIGHT_DOWN 32811
#define ID_EN_BACKWARD_RIGHT_UP 32812
#define ID_EN_BACKWARD_MID_DOWN 32813
#define ID_EN_BACKWARD_MID_UP 32814
#define ID_EN_MODIFY_DELAY 32780
#define ID_EN_DELETE 32781

// Context menu, Chinese (same rows as the English menu).
#define ID_CN_FORWARD_LEFT_DOWN 32817
#define ID_CN_FORWARD_LEFT_UP 32818
#define ID_CN_FORWARD_RIGHT_DOWN 32820
#define ID_CN_FORWARD_RIGHT_UP 32821
#define ID_CN_FORWARD_MID_DOWN 32823
#define ID_CN_FORWARD_MID_UP 32824
#define ID_CN_BACKWARD_LEFT_DOWN 32829
#define ID_CN_BACKWARD_LEFT_UP 32830
#define ID_CN_BACKWARD_RIGHT_DOWN 32831
#define ID_CN_BACKWARD_RIGHT_UP 32832
#define ID_CN_BACKWARD_MID_DOWN 32833
#define ID_CN_BACKWARD_MID_UP 32834
#define ID_CN_MODIFY_DELAY 32835
#define ID_CN_DELETE 32836

// Tray menu.
#define ID_EN_EXIT_DRIVER 32800
#define ID_EN_SHOW_WINDOW 32801
#define ID_CN_SHOW_WINDOW 32837
#define ID_CN_EXIT_DRIVER 32838
#define ID_EN_START_WITH_WINDOWS 32839
#define ID_CN_START_WITH_WINDOWS 32840
