// Resource numbers of the Settings sheet: the seven page templates and their controls.
// Control numbers repeat between pages (each page is its own dialog), so every name
// carries its page.
#pragma once

namespace fx {
struct ResourceSet;
}

namespace res {

// Page templates; each template's caption is its tab's text.
inline constexpr unsigned IDD_USERS_PAGE = 132;
inline constexpr unsigned IDD_GROUPS_PAGE = 133;
inline constexpr unsigned IDD_EXPORT_PAGE = 134;
inline constexpr unsigned IDD_SERVERS_PAGE = 135;
inline constexpr unsigned IDD_GENERAL_PAGE = 136;
inline constexpr unsigned IDD_FILES_PAGE = 137;
inline constexpr unsigned IDD_NETWORKS_PAGE = 138;

// Users page.
inline constexpr int IDC_USERS_USER_NAME = 1018;
inline constexpr int IDC_USERS_USER_ID = 1019;  // disabled
inline constexpr int IDC_USERS_NUM_LOGONS = 1020;
inline constexpr int IDC_USERS_LAST_LOGON = 1021;
inline constexpr int IDC_USERS_EXPIRES = 1022;
inline constexpr int IDC_USERS_DISABLED = 1023;
inline constexpr int IDC_USERS_PROFILE = 1024;
inline constexpr int IDC_USERS_SCRIPT = 1025;
inline constexpr int IDC_USERS_PW_CHECK = 1027;
inline constexpr int IDC_USERS_MAX_STORAGE = 1029;
inline constexpr int IDC_USERS_PASS_EXPIRES = 1030;

// Groups page.
inline constexpr int IDC_GROUPS_GROUPNAME = 1024;  // disabled
inline constexpr int IDC_GROUPS_COMMENTS = 1025;
inline constexpr int IDC_GROUPS_SHOW_MEMBERS = 1027;

// Export page: the radio group of the export method (0 tab, 1 comma, 2 clipboard).
inline constexpr int IDC_EXPORT_TAB = 1026;
inline constexpr int IDC_EXPORT_COMMA = 1038;
inline constexpr int IDC_EXPORT_CLIPBOARD = 1039;  // disabled

// Servers page.
inline constexpr int IDC_SERVERS_SERVER_NAME = 1038;  // disabled
inline constexpr int IDC_SERVERS_COMMENTS = 1039;
inline constexpr int IDC_SERVERS_MB = 1040;
inline constexpr int IDC_SERVERS_BKB = 1041;
inline constexpr int IDC_SERVERS_DC = 1042;
inline constexpr int IDC_SERVERS_BKDC = 1043;
inline constexpr int IDC_SERVERS_PQS = 1044;
inline constexpr int IDC_SERVERS_NOVELL = 1045;
inline constexpr int IDC_SERVERS_TYPE = 1046;
inline constexpr int IDC_SERVERS_PB = 1047;
inline constexpr int IDC_SERVERS_TIMESRV = 1048;
inline constexpr int IDC_SERVERS_UNIX = 1049;
inline constexpr int IDC_SERVERS_WFW = 1050;
inline constexpr int IDC_SERVERS_WORKS = 1051;
inline constexpr int IDC_SERVERS_SQL = 1052;
inline constexpr int IDC_SERVERS_SERV = 1053;
inline constexpr int IDC_SERVERS_AFP = 1054;
inline constexpr int IDC_SERVERS_DOMMEM = 1055;
inline constexpr int IDC_SERVERS_CURRENT = 1056;  // disabled edit: the current server
inline constexpr int IDC_SERVERS_DIALIN = 1057;
inline constexpr int IDC_SERVERS_NT = 1058;
inline constexpr int IDC_SERVERS_MFPN = 1059;
inline constexpr int IDC_SERVERS_NTS = 1060;
inline constexpr int IDC_SERVERS_DM = 1061;
inline constexpr int IDC_SERVERS_DSF = 1062;
inline constexpr int IDC_SERVERS_VMS = 1063;
inline constexpr int IDC_SERVERS_BROWSE = 1065;

// General page: always-browse and the radio group of the browse priority (0 lowest ..
// 4 highest).
inline constexpr int IDC_GENERAL_ALWAYS_BROWSE = 1040;
inline constexpr int IDC_GENERAL_LOWEST = 1070;
inline constexpr int IDC_GENERAL_BELOW_NORMAL = 1071;
inline constexpr int IDC_GENERAL_NORMAL = 1072;
inline constexpr int IDC_GENERAL_ABOVE_NORMAL = 1074;
inline constexpr int IDC_GENERAL_HIGHEST = 1075;

// Files page.
inline constexpr int IDC_FILES_USER_NAME = 1018;  // disabled
inline constexpr int IDC_FILES_STORAGE = 1019;
inline constexpr int IDC_FILES_FILE_DENIAL = 1020;
inline constexpr int IDC_FILES_DIRECTORY_DENIAL = 1021;
inline constexpr int IDC_FILES_ROOT_PATH = 1042;
inline constexpr int IDC_FILES_BROWSE = 1043;

// Networks page.
inline constexpr int IDC_NETWORKS_SHARES_DISK = 1067;
inline constexpr int IDC_NETWORKS_NET_TYPES = 1068;  // disabled
inline constexpr int IDC_NETWORKS_DOMAINS = 1069;    // disabled
inline constexpr int IDC_NETWORKS_DOMAIN_MEMBERS = 1070;
inline constexpr int IDC_NETWORKS_SHARES_PRINTER = 1071;

// Shown by the Files page's Browse button.
inline constexpr char STR_FILES_BROWSE_REMOVED[] =
    "Sorry, functionality's not quite what it should be,\nso this piece has been removed.";

// Adds the seven page templates to the program's resources.
void AddSettingsResources(fx::ResourceSet& set);

}  // namespace res
