// Resource numbers of the program: dialogs, menus, controls, commands, pictures and
// the string table. The texts themselves are in strings.cpp (and, for the browse
// engine and export, in browse_strings.h / export_strings.h, folded into the table).
#pragma once

#include "res/browse_strings.h"
#include "res/export_strings.h"

namespace res {

// Dialogs and menus.
inline constexpr unsigned IDD_MAIN = 102;
inline constexpr unsigned IDD_LOGON = 210;
inline constexpr unsigned IDR_MAINMENU = 130;

// Icons (four frames of the busy globe; 128 is also the window icon) and bitmaps.
inline constexpr unsigned IDI_GLOBE0 = 128;
inline constexpr unsigned IDI_GLOBE1 = 129;
inline constexpr unsigned IDI_GLOBE2 = 130;
inline constexpr unsigned IDI_GLOBE3 = 131;
inline constexpr unsigned IDB_WORDMARK = 153;
inline constexpr unsigned IDB_FIGURE = 156;

// Controls of dialog 102.
inline constexpr int IDC_EXIT = 1000;
inline constexpr int IDC_RESULTS = 1003;
inline constexpr int IDC_BROWSE = 1004;
inline constexpr int IDC_STOP = 1005;
inline constexpr int IDC_SERVER = 1011;
inline constexpr int IDC_DISPLAY = 1013;
inline constexpr int IDC_EXPORT = 1017;
inline constexpr int IDC_ENTRIES_FOUND = 1041;
inline constexpr int IDC_BUSY0 = 1068;
inline constexpr int IDC_BUSY1 = 1069;
inline constexpr int IDC_BUSY2 = 1070;
inline constexpr int IDC_BUSY3 = 1071;

// Controls of the log-on dialog.
inline constexpr int IDC_LOGON_USER = 1101;
inline constexpr int IDC_LOGON_DOMAIN = 1102;
inline constexpr int IDC_LOGON_PASSWORD = 1103;

// Menu commands of menu 130.
inline constexpr unsigned ID_FILE_EXIT = 32771;
inline constexpr unsigned ID_HELP_ABOUT = 32772;
inline constexpr unsigned ID_TOOLS_BROWSE = 32773;
inline constexpr unsigned ID_TOOLS_SETTINGS = 32774;
inline constexpr unsigned ID_FILE_EXPORT = 32775;
inline constexpr unsigned ID_HELP_CONTENTS = 32776;
inline constexpr unsigned ID_TOOLS_PROPERTIES_CYCLIC = 32781;
inline constexpr unsigned ID_TOOLS_PROPERTIES_COMBINED = 32782;
inline constexpr unsigned ID_TOOLS_ADD_TO_SERVER_LIST = 32784;
inline constexpr unsigned ID_HELP_CONTACT = 32785;

// Menu positions the browse engine enables by position.
inline constexpr int kToolsMenuPosition = 1;
inline constexpr int kPropertiesCyclicPosition = 1;

// System menu command of the About entry.
inline constexpr unsigned IDM_ABOUTBOX = 16;

// Strings of the main window and the browse controller.
inline constexpr unsigned IDS_ABOUTBOX = 101;
inline constexpr unsigned IDS_USER_TERMINATED = 59145;
inline constexpr unsigned IDS_COULD_NOT_TERMINATE = 59146;
inline constexpr unsigned IDS_WORKING = 59147;
inline constexpr unsigned IDS_PRIORITY_FAILED = 59148;
inline constexpr unsigned IDS_NO_TIMER = 59149;
inline constexpr unsigned IDS_SETTINGS_CAPTION = 59164;

// Literal messages of the main window (they have no string-table number).
inline constexpr char STR_REGISTRY_OPEN_FAILED[] = "Failed to create/open registry key. Defaults will be used.";
inline constexpr char STR_REGISTRY_WRITE_FAILED[] = "Could not write data to registry.";
inline constexpr char STR_NO_SUBMENU[] = "error getting sub-menu handle";
inline constexpr char STR_BROWSE_START_FAILED[] = "Could not start the browse.";
inline constexpr char STR_BROWSE_FAILED[] = "The browse failed; nothing could be listed.";

}  // namespace res
