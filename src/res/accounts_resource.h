// Resource numbers and texts of account editing: opening properties from the list and
// the User Properties dialog (template 139).
#pragma once

namespace fx {
struct ResourceSet;
}

namespace res {

inline constexpr unsigned IDD_USER_PROPS = 139;
inline constexpr unsigned IDD_GROUP_PROPS = 140;
inline constexpr unsigned IDD_SELECT_GROUP = 141;

// Controls of dialog 139.
inline constexpr int IDC_USER_MEMBER_OF = 1076;
inline constexpr int IDC_USER_NOT_MEMBER_OF = 1077;
inline constexpr int IDC_USER_ADD = 1078;
inline constexpr int IDC_USER_REMOVE = 1079;
inline constexpr int IDC_USER_PRIMARY = 1080;
inline constexpr int IDC_USER_NAME = 1083;
inline constexpr int IDC_USER_FULL_NAME = 1084;
inline constexpr int IDC_USER_DESCRIPTION = 1085;
inline constexpr int IDC_USER_PASSWORD = 1086;
inline constexpr int IDC_USER_CONFIRM = 1087;
inline constexpr int IDC_USER_MUST_CHANGE = 1088;
inline constexpr int IDC_USER_CANNOT_CHANGE = 1089;
inline constexpr int IDC_USER_NEVER_EXPIRES = 1090;
inline constexpr int IDC_USER_DISABLED = 1091;
inline constexpr int IDC_USER_LAST_LOGON = 1093;
inline constexpr int IDC_USER_LOCKED_OUT = 1094;

// Controls of dialog 140 (the lists and the description share numbers with 139).
inline constexpr int IDC_GROUP_HELP = 3;  // disabled, no action
inline constexpr int IDC_GROUP_MEMBERS = 1076;
inline constexpr int IDC_GROUP_OTHERS = 1077;
inline constexpr int IDC_GROUP_MOVE = 1078;
inline constexpr int IDC_GROUP_REMOVE = 1079;
inline constexpr int IDC_GROUP_COPY_TO_MEMBERS = 1080;
inline constexpr int IDC_GROUP_COPY_TO_OTHERS = 1081;
inline constexpr int IDC_GROUP_DESCRIPTION = 1085;
inline constexpr int IDC_GROUP_OTHERS_LABEL = 1095;
inline constexpr int IDC_GROUP_SELECT_GROUP = 1096;
inline constexpr int IDC_GROUP_NAME = 1099;

// Control of dialog 141.
inline constexpr int IDC_SELECT_GROUPS = 1100;

// The longest text an edit of the dialog takes.
inline constexpr int kUserEditLimit = 499;

// Strings.
inline constexpr unsigned IDS_APP_CAPTION = 59142;
inline constexpr char STR_APP_CAPTION[] = "Vellox";
inline constexpr unsigned IDS_ADD_NEW_SERVER = 59163;
inline constexpr char STR_ADD_NEW_SERVER[] = "New Server name found, add it to the list?";
inline constexpr unsigned IDS_CONFLICTING_OPTIONS = 59192;
inline constexpr char STR_CONFLICTING_OPTIONS[] =
    "You have selected the conflicting options \"Password never expires\" and\n \"User must change password at next "
    "logon\". \nThese cannot both be set. Please uncheck one of them.";
inline constexpr unsigned IDS_USER_SETTINGS_FAILED = 59193;
inline constexpr char STR_USER_SETTINGS_FAILED[] =
    "An error occurred while changing the user settings. Re-check the settings.";
inline constexpr unsigned IDS_NOT_DOMAIN_CONTROLLER = 59194;
inline constexpr char STR_NOT_DOMAIN_CONTROLLER[] =
    "WARNING: As the server chosen is NOT the Domain Controller, changes made cannot be comitted, and an error "
    "(non-fatal) will occur. Proceed anyway?";
inline constexpr char STR_WARNING_CAPTION[] = "Warning!";
inline constexpr unsigned IDS_INDIRECT_GROUP = 59195;
inline constexpr char STR_INDIRECT_GROUP[] =
    "(One of) The selected group(s) is Indirect. This means that the basis for inclusion in this group is NOT "
    "\ndirect inclusion, but based on inclusion of a GLOBAL group. Remove the GLOBAL group.";
inline constexpr unsigned IDS_INVALID_SELECTION = 59197;
inline constexpr char STR_INVALID_SELECTION[] =
    "The selection chosen contains a member that is not a valid parameter for the chosen action. De-Select this "
    "member and try again.";
inline constexpr unsigned IDS_COULD_NOT_ADD_TO_GROUP = 59198;
inline constexpr char STR_COULD_NOT_ADD_TO_GROUP[] = "Could not add user to the following group:";
inline constexpr unsigned IDS_SID_FAILED = 59199;
inline constexpr char STR_SID_FAILED[] = "An error occured retrieving the Security Identifier (SID) for this user.";
inline constexpr char STR_WITH_RETURN_CODE[] = " with return code ";
inline constexpr unsigned IDS_PASSWORD_PLACEHOLDER = 59202;
inline constexpr char STR_PASSWORD_PLACEHOLDER[] = "**************";
inline constexpr unsigned IDS_PASSWORDS_DIFFER = 59203;
inline constexpr char STR_PASSWORDS_DIFFER[] =
    "The PASSWORDS entered do not match. Please ensure that the password is identical in both entry fields.";
inline constexpr unsigned IDS_COULD_NOT_REMOVE_FROM_GROUP = 59204;
inline constexpr char STR_COULD_NOT_REMOVE_FROM_GROUP[] = "Could not remove user from the following group:";
inline constexpr unsigned IDS_ACCOUNT_UNREADABLE = 59210;
inline constexpr char STR_ACCOUNT_UNREADABLE[] = "The account could not be read from the server.";

inline constexpr unsigned IDS_WARNING_CAPTION = 59196;
inline constexpr char STR_WARNING[] = "Warning";
inline constexpr unsigned IDS_ALREADY_MEMBER = 59201;
inline constexpr char STR_ALREADY_MEMBER[] = "The user is already a member of that group. USER: ";
inline constexpr unsigned IDS_MOVE_EXISTS = 59205;
inline constexpr char STR_MOVE_EXISTS[] =
    "The user you have selected to move already exists in the destination group.\nDELETE the user from the source "
    "group?";
inline constexpr unsigned IDS_REMOVING_WARNING = 59206;
inline constexpr char STR_REMOVING_WARNING[] = "WARNING: YOU ARE REMOVING A USER FROM A GROUP";
inline constexpr unsigned IDS_GROUP_WRITE_FAILED = 59207;
inline constexpr char STR_GROUP_WRITE_FAILED[] = "The group information could not be written./nCheck the results.";
inline constexpr unsigned IDS_COULD_NOT_ADD_USER = 59208;
inline constexpr char STR_COULD_NOT_ADD_USER[] = "Could not add user to group.\nUSER: ";
inline constexpr unsigned IDS_COULD_NOT_REMOVE_USER = 59209;
inline constexpr char STR_COULD_NOT_REMOVE_USER[] = "Could not remove user from group.\nUSER: ";
inline constexpr unsigned IDS_GROUP_UNREADABLE = 59211;
inline constexpr char STR_GROUP_UNREADABLE[] = "The group could not be read from the server.";
inline constexpr unsigned IDS_CANNOT_CHANGE_NOT_STORED = 59212;
inline constexpr char STR_CANNOT_CHANGE_NOT_STORED[] =
    "This server can't store \"User cannot change password\" (its accounts have no such setting), so the user "
    "settings were not written.";
inline constexpr char STR_NOT_MEMBERS_OF[] = "Not members of";

void AddAccountResources(fx::ResourceSet& set);

}  // namespace res
