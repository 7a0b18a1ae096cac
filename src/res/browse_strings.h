// String-table entries of the browse engine and the enumerations: the list texts,
// column labels and messages, each as its resource number and its text.
#pragma once

namespace res {

// Display type names (the items of the Display box) and the unknown-type line.
inline constexpr int IDS_FILES = 59187;
inline constexpr char STR_FILES[] = "FILES";
inline constexpr int IDS_USERS = 59188;
inline constexpr char STR_USERS[] = "USERS";
inline constexpr int IDS_NETWORK = 59189;
inline constexpr char STR_NETWORK[] = "NETWORK";
inline constexpr int IDS_GROUPS = 59190;
inline constexpr char STR_GROUPS[] = "GROUPS";
inline constexpr int IDS_SERVERS = 59191;
inline constexpr char STR_SERVERS[] = "SERVERS";
inline constexpr int IDS_UNSUPPORTED_DISPLAY_TYPE = 59184;
inline constexpr char STR_UNSUPPORTED_DISPLAY_TYPE[] = "Unsupported Display Type.";

// Table end mark and result lines.
inline constexpr int IDS_END_OF_DATA = 59186;
inline constexpr char STR_END_OF_DATA[] = "END_OF_DATA";
inline constexpr int IDS_COULD_NOT_ENUMERATE_DOMAIN = 59165;
inline constexpr char STR_COULD_NOT_ENUMERATE_DOMAIN[] = "Could not enumerate domain.";
inline constexpr int IDS_NO_SERVERS = 59183;
inline constexpr char STR_NO_SERVERS[] = "Could not locate any servers.";
inline constexpr int IDS_MORE_ENTRIES = 59300;
inline constexpr char STR_MORE_ENTRIES[] = "More entries were found than can be listed.";

// Message boxes the list step asks the window to show.
inline constexpr int IDS_UNKNOWN_THREAD = 59150;
inline constexpr char STR_UNKNOWN_THREAD[] = "An unknown thread has terminated.";
inline constexpr int IDS_MORE_DATA = 59182;
inline constexpr char STR_MORE_DATA[] = "There is more data than buffer space.";

// FILES.
inline constexpr int IDS_ACCESS_DENIED = 59151;
inline constexpr char STR_ACCESS_DENIED[] = "<access denied>";
inline constexpr int IDS_DIRLIST_DENIED = 59152;
inline constexpr char STR_DIRLIST_DENIED[] = "<dirlist denied>";
inline constexpr int IDS_FILESIZE_IN_USE = 59153;
inline constexpr char STR_FILESIZE_IN_USE[] = "Filesize in use";

// NETWORK.
inline constexpr int IDS_PRINTER = 59155;
inline constexpr char STR_PRINTER[] = "Printer";
inline constexpr int IDS_DISK = 59156;
inline constexpr char STR_DISK[] = "Disk";
inline constexpr int IDS_PROVIDER = 59157;
inline constexpr char STR_PROVIDER[] = "Provider";
inline constexpr int IDS_SERVER = 59158;
inline constexpr char STR_SERVER[] = "Server";
inline constexpr int IDS_DOMAIN = 59159;
inline constexpr char STR_DOMAIN[] = "Domain";
inline constexpr int IDS_NETWORK_COLUMN = 59160;
inline constexpr char STR_NETWORK_COLUMN[] = "Network";
inline constexpr int IDS_RESOURCE = 59161;
inline constexpr char STR_RESOURCE[] = "Resource";
inline constexpr int IDS_RESOURCE_TYPE = 59162;
inline constexpr char STR_RESOURCE_TYPE[] = "Resource type";

// GROUPS and SERVERS.
inline constexpr int IDS_NAME = 59181;
inline constexpr char STR_NAME[] = "Name";
inline constexpr int IDS_COMMENT = 59185;
inline constexpr char STR_COMMENT[] = "Comment";

// USERS column labels, in the order of the fields of a USERS line.
inline constexpr int IDS_USERNAME = 59154;
inline constexpr char STR_USERNAME[] = "UserName";
inline constexpr int IDS_FULL_NAME = 59166;
inline constexpr char STR_FULL_NAME[] = "Full Name";
inline constexpr int IDS_LOGONS = 59167;
inline constexpr char STR_LOGONS[] = "Logons";
inline constexpr int IDS_LAST_LOGON = 59168;
inline constexpr char STR_LAST_LOGON[] = "Last Logon";
inline constexpr int IDS_ACCT_EXPIRES = 59169;
inline constexpr char STR_ACCT_EXPIRES[] = "Acct.Expires";
inline constexpr int IDS_DISABLED = 59170;
inline constexpr char STR_DISABLED[] = "Disabled";
inline constexpr int IDS_HAS_PW = 59171;
inline constexpr char STR_HAS_PW[] = "Has PW";
inline constexpr int IDS_MAX_STORAGE = 59172;
inline constexpr char STR_MAX_STORAGE[] = "Max.Stg.";
inline constexpr int IDS_PROFILE = 59173;
inline constexpr char STR_PROFILE[] = "Profile";
inline constexpr int IDS_SCRIPT = 59174;
inline constexpr char STR_SCRIPT[] = "Script";
inline constexpr int IDS_PW_EXPIRES = 59175;
inline constexpr char STR_PW_EXPIRES[] = "PW Expires";

// USERS field texts.
inline constexpr int IDS_NEVER_LOGGED_ON = 59176;
inline constexpr char STR_NEVER_LOGGED_ON[] = "********* Never *********";
inline constexpr int IDS_YES = 59177;
inline constexpr char STR_YES[] = "Yes";
inline constexpr int IDS_NO = 59178;
inline constexpr char STR_NO[] = "No";
inline constexpr int IDS_NEVER = 59179;
inline constexpr char STR_NEVER[] = "Never";
inline constexpr int IDS_NONE = 59180;
inline constexpr char STR_NONE[] = "*None*";

// How a screen reader reads a GROUPS member line and a NETWORK line below another:
// "abrown, member of Domain Admins", "Server \\DC1, under Domain VELLOX".
inline constexpr char STR_SPOKEN_MEMBER_OF[] = "member of";
inline constexpr char STR_SPOKEN_UNDER[] = "under";
// What the result list is called ("USERS of \\DC1"; before any browse "Results") and what
// a screen reader is told when a browse has ended ("49 entries found").
inline constexpr char STR_SPOKEN_OF[] = "of";
inline constexpr char STR_SPOKEN_RESULTS[] = "Results";
inline constexpr char STR_SPOKEN_ENTRY_FOUND[] = "entry found";
inline constexpr char STR_SPOKEN_ENTRIES_FOUND[] = "entries found";

// SERVERS role column labels, each with its trailing TAB, in column order.
inline constexpr const char* SERVER_COLUMN_LABELS[21] = {
    "Wkst\t", "Srv\t", "SQL\t",  "DC\t",  "BDC\t", "AFP\t", "Nvll\t", "Dmem\t", "PQs\t", "Dial\t", "Unx\t",
    "NT\t",   "WFW\t", "MFPN\t", "NTS\t", "PB\t",  "BkB\t", "MsB\t",  "DM\t",   "OSF\t", "VMS\t",
};

}  // namespace res
