// Resource and control ids. The numbers are fixed: the settings of users and the
// command list refer to the same commands.
#pragma once

#define IDM_ABOUTBOX 0x0010

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_IXO_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_MENU 129

#define IDC_FILELIST 1000
#define IDC_CHANGEDIR 1006

#define ID_MENU_EXIT 32771
#define ID_MENU_SETTINGS 32775
#define ID_MENU_VERSION 32776
#define ID_MENU_SIZEDELETE_SETTINGS 32777
#define ID_MENU_SIZEDELETE_ALL 32778
#define ID_MENU_COMMANDLIST 32779
#define ID_MENU_SIZEDELETE_RECURSIVE 32780
#define ID_MENU_SIZEDELETE_RECURSIVE_MOVE 32781

// Jump dialog and display-name dialog of the registered directories
#define IDD_JUMP 132
#define IDD_DIRNAME 133
#define IDC_JUMP_LIST 1000
#define IDC_JUMP_ADD_CURRENT 1016
#define IDC_JUMP_DELETE 1002
#define IDC_JUMP_CHANGE_NAME 1019
#define IDC_JUMP_SELECTED_PATH 1018
#define IDC_DIRNAME_NAME 1017

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
