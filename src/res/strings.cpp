// The string table.
#include "res/res.h"
#include "res/resource.h"

namespace res {

namespace {

struct StringEntry {
    unsigned id;
    const char* text;
};

constexpr StringEntry kStrings[] = {
    // Main window.
    {IDS_ABOUTBOX, "&About Vellox..."},

    // Command prompts (the window has no status line; kept with their commands).
    {ID_FILE_EXIT, "This option terminates the application"},
    {ID_HELP_ABOUT, "This command displays more information on the application itself."},
    {ID_TOOLS_BROWSE, "Select this option to update the display."},
    {ID_TOOLS_SETTINGS, "Choose this option to change the settings for all display types."},
    {ID_FILE_EXPORT, "Use this option to export the displayed information to disk."},
    {ID_HELP_CONTENTS, "This command opens the general Help file."},

    // Browse controller.
    {IDS_USER_TERMINATED, "User terminated browse."},
    {IDS_COULD_NOT_TERMINATE, "Could not terminate browse (finished concurrently?)"},
    {IDS_WORKING, "Working..."},
    {IDS_PRIORITY_FAILED, "Failed to set thread priority."},
    {IDS_NO_TIMER, "Could not assign a timer."},
    {IDS_UNKNOWN_THREAD, STR_UNKNOWN_THREAD},

    // FILES.
    {IDS_ACCESS_DENIED, STR_ACCESS_DENIED},
    {IDS_DIRLIST_DENIED, STR_DIRLIST_DENIED},
    {IDS_FILESIZE_IN_USE, STR_FILESIZE_IN_USE},
    {IDS_USERNAME, STR_USERNAME},

    // NETWORK.
    {IDS_PRINTER, STR_PRINTER},
    {IDS_DISK, STR_DISK},
    {IDS_PROVIDER, STR_PROVIDER},
    {IDS_SERVER, STR_SERVER},
    {IDS_DOMAIN, STR_DOMAIN},
    {IDS_NETWORK_COLUMN, STR_NETWORK_COLUMN},
    {IDS_RESOURCE, STR_RESOURCE},
    {IDS_RESOURCE_TYPE, STR_RESOURCE_TYPE},

    // Settings sheet.
    {IDS_SETTINGS_CAPTION, "Settings"},

    // USERS and GROUPS.
    {IDS_COULD_NOT_ENUMERATE_DOMAIN, STR_COULD_NOT_ENUMERATE_DOMAIN},
    {IDS_FULL_NAME, STR_FULL_NAME},
    {IDS_LOGONS, STR_LOGONS},
    {IDS_LAST_LOGON, STR_LAST_LOGON},
    {IDS_ACCT_EXPIRES, STR_ACCT_EXPIRES},
    {IDS_DISABLED, STR_DISABLED},
    {IDS_HAS_PW, STR_HAS_PW},
    {IDS_MAX_STORAGE, STR_MAX_STORAGE},
    {IDS_PROFILE, STR_PROFILE},
    {IDS_SCRIPT, STR_SCRIPT},
    {IDS_PW_EXPIRES, STR_PW_EXPIRES},
    {IDS_NEVER_LOGGED_ON, STR_NEVER_LOGGED_ON},
    {IDS_YES, STR_YES},
    {IDS_NO, STR_NO},
    {IDS_NEVER, STR_NEVER},
    {IDS_NONE, STR_NONE},
    {IDS_NAME, STR_NAME},
    {IDS_COMMENT, STR_COMMENT},

    // SERVERS.
    {IDS_MORE_DATA, STR_MORE_DATA},
    {IDS_NO_SERVERS, STR_NO_SERVERS},

    // Browse command and display types.
    {IDS_UNSUPPORTED_DISPLAY_TYPE, STR_UNSUPPORTED_DISPLAY_TYPE},
    {IDS_END_OF_DATA, STR_END_OF_DATA},
    {IDS_FILES, STR_FILES},
    {IDS_USERS, STR_USERS},
    {IDS_NETWORK, STR_NETWORK},
    {IDS_GROUPS, STR_GROUPS},
    {IDS_SERVERS, STR_SERVERS},

    // Export.
    {IDS_EXPORT_NOT_ENOUGH, kExportNotEnoughText},

    // Capacity mark of the result tables.
    {IDS_MORE_ENTRIES, STR_MORE_ENTRIES},
};

}  // namespace

void AddStrings(fx::ResourceSet& set)
{
    for (const StringEntry& entry : kStrings)
        set.strings[entry.id] = entry.text;
}

}  // namespace res
