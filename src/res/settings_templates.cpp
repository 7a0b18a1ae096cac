// Dialog templates of the seven Settings pages. Every page has the same size, with
// its options at the top and the "Help" box at the same place at the bottom, so the
// tabs don't jump when the user switches between them.
#include "res/control_template.h"
#include "res/settings_resource.h"

#include "fx/resources.h"

namespace res {

namespace {

using fx::ControlKind;
using fx::ControlTemplate;
using fx::DialogTemplate;

constexpr int kPageWidth = 280;
constexpr int kPageHeight = 240;
constexpr int kMargin = 7;
constexpr int kInnerWidth = kPageWidth - 2 * kMargin;
constexpr int kHelpTop = 160;
constexpr int kHelpHeight = 73;
constexpr int kRow = 13;  // distance between check boxes

ControlTemplate Check(int id, const char* text, int x, int y, int cx, DWORD style = fx::CS_NONE)
{
    return Control(id, ControlKind::CheckBox, text, x, y, cx, 10, style | fx::CS_TABSTOP);
}

ControlTemplate Radio(int id, const char* text, int x, int y, int cx, DWORD style = fx::CS_NONE)
{
    return Control(id, ControlKind::RadioButton, text, x, y, cx, 10, style);
}

ControlTemplate Group(const char* text, int x, int y, int cx, int cy, DWORD style = fx::CS_NONE)
{
    return Control(IDC_STATIC, ControlKind::GroupBox, text, x, y, cx, cy, style);
}

ControlTemplate Label(const char* text, int x, int y, int cx, int cy)
{
    return Control(IDC_STATIC, ControlKind::Static, text, x, y, cx, cy);
}

DialogTemplate Page(unsigned id, const char* caption)
{
    DialogTemplate dlg;
    dlg.id = id;
    dlg.caption = caption;
    dlg.cx = kPageWidth;
    dlg.cy = kPageHeight;
    dlg.style = fx::DS_CHILD;
    return dlg;
}

// The closing "Help" box. It starts a group, so a radio group before it ends there.
void AddHelp(DialogTemplate& dlg, const char* text)
{
    dlg.controls.push_back(Group("Help", kMargin, kHelpTop, kInnerWidth, kHelpHeight, fx::CS_GROUP));
    dlg.controls.push_back(Label(text, kMargin + 8, kHelpTop + 12, kInnerWidth - 16, kHelpHeight - 17));
}

constexpr char kUsersHelp[] =
    "Select the information that is to be displayed in the USERS information dialog box. This is "
    "the information that will be exported to a file when the EXPORT function is used.";
constexpr char kGroupsHelp[] =
    "Select the information that is to be displayed in the GROUP information dialog box. This is "
    "the information that will be exported to a file when the EXPORT function is used.";
constexpr char kExportHelp[] =
    "Select the default method to use when exporting the viewed data. Note that only the data "
    "currently being viewed is written to the file.";
constexpr char kServersHelp[] =
    "Select the information that is to be displayed in the SERVER information dialog box. This "
    "is the information that will be exported to a file when the EXPORT function is used.";
constexpr char kGeneralHelp[] =
    "Use this page to set the general default settings. Settings changed here act on more than "
    "one display type.";
constexpr char kFilesHelp[] =
    "Select the information that is to be displayed in the FILES information dialog box. This is "
    "the information that will be exported to a file when the EXPORT function is used.\n The Root "
    "path indicates from which directory the search should commence.";
constexpr char kNetworksHelp[] =
    "Select the information that is to be displayed in the NETWORK information dialog box. This "
    "is the information that will be exported to a file when the EXPORT function is used. The "
    "grayed options are automatically selected.";

DialogTemplate UsersPage()
{
    DialogTemplate dlg = Page(IDD_USERS_PAGE, "Users");
    constexpr int left = 16, right = 144, top = 20, width = 120;
    dlg.controls = {
        Group("Display Options", kMargin, kMargin, kInnerWidth, 98),
        Check(IDC_USERS_USER_ID, "&User ID", left, top, width, fx::CS_DISABLED | fx::CS_GROUP),
        Check(IDC_USERS_USER_NAME, "&Full User Name", left, top + kRow, width),
        Check(IDC_USERS_DISABLED, "&Disabled UID", left, top + 2 * kRow, width),
        Check(IDC_USERS_EXPIRES, "Acct. &Expires", left, top + 3 * kRow, width),
        Check(IDC_USERS_LAST_LOGON, "&Last logon Date", left, top + 4 * kRow, width),
        Check(IDC_USERS_NUM_LOGONS, "&Number of logons", left, top + 5 * kRow, width),
        Check(IDC_USERS_PW_CHECK, "&Has password", right, top, width),
        Check(IDC_USERS_PROFILE, "Has P&rofile", right, top + kRow, width),
        Check(IDC_USERS_SCRIPT, "Has &Script", right, top + 2 * kRow, width),
        Check(IDC_USERS_MAX_STORAGE, "&Max storage", right, top + 3 * kRow, width),
        Check(IDC_USERS_PASS_EXPIRES, "&Password Expires", right, top + 4 * kRow, width),
    };
    AddHelp(dlg, kUsersHelp);
    return dlg;
}

DialogTemplate GroupsPage()
{
    DialogTemplate dlg = Page(IDD_GROUPS_PAGE, "Groups");
    constexpr int left = 16, top = 20, width = 160;
    dlg.controls = {
        Group("Display Options", kMargin, kMargin, kInnerWidth, 59),
        Check(IDC_GROUPS_GROUPNAME, "&Group Name", left, top, width, fx::CS_DISABLED | fx::CS_GROUP),
        Check(IDC_GROUPS_COMMENTS, "&Comments", left, top + kRow, width),
        Check(IDC_GROUPS_SHOW_MEMBERS, "&Show Members", left, top + 2 * kRow, width),
    };
    AddHelp(dlg, kGroupsHelp);
    return dlg;
}

DialogTemplate ExportPage()
{
    DialogTemplate dlg = Page(IDD_EXPORT_PAGE, "Export");
    constexpr int left = 16, top = 20, width = 160;
    dlg.controls = {
        Group("Export Options", kMargin, kMargin, kInnerWidth, 59),
        Radio(IDC_EXPORT_TAB, "&TAB-delimited", left, top, width, fx::CS_GROUP | fx::CS_TABSTOP),
        Radio(IDC_EXPORT_COMMA, "&Comma-Separated", left, top + kRow, width),
        Radio(IDC_EXPORT_CLIPBOARD, "C&lipboard", left, top + 2 * kRow, width, fx::CS_DISABLED),
    };
    AddHelp(dlg, kExportHelp);
    return dlg;
}

DialogTemplate ServersPage()
{
    struct Option {
        int id;
        const char* text;
        DWORD style;
    };
    // The twenty-five options in the order of the record, down the three columns.
    // clang-format off
    constexpr Option options[] = {
        {IDC_SERVERS_AFP, "AFP", fx::CS_GROUP},
        {IDC_SERVERS_BKB, "&Backup Browser", 0},
        {IDC_SERVERS_BKDC, "B&ackup DC", 0},
        {IDC_SERVERS_COMMENTS, "C&omments", 0},
        {IDC_SERVERS_DC, "&Domain Controller", 0},
        {IDC_SERVERS_DM, "Domain Master", 0},
        {IDC_SERVERS_DOMMEM, "Domain Member", 0},
        {IDC_SERVERS_MB, "&Master Browser", 0},
        {IDC_SERVERS_MFPN, "MFPN Server", 0},
        {IDC_SERVERS_SERVER_NAME, "Server Name", fx::CS_DISABLED},
        {IDC_SERVERS_NOVELL, "&Novell Server", 0},
        {IDC_SERVERS_NT, "NT", 0},
        {IDC_SERVERS_NTS, "NT Server", 0},
        {IDC_SERVERS_DSF, "OSF Server", 0},
        {IDC_SERVERS_PB, "&Potential Browser", 0},
        {IDC_SERVERS_PQS, "&PrintQ server", 0},
        {IDC_SERVERS_SERV, "Server", 0},
        {IDC_SERVERS_DIALIN, "Dialin Server", 0},
        {IDC_SERVERS_SQL, "S&QL Server", 0},
        {IDC_SERVERS_TIMESRV, "&Time Server", 0},
        {IDC_SERVERS_TYPE, "Server &ID", 0},
        {IDC_SERVERS_UNIX, "&Unix Server", 0},
        {IDC_SERVERS_VMS, "VMS Server", 0},
        {IDC_SERVERS_WFW, "&WFW Workstation", 0},
        {IDC_SERVERS_WORKS, "NT Wor&kstation", 0},
    };
    // clang-format on
    constexpr int rows = 9, left = 14, top = 19, columnWidth = 86, row = 12;

    DialogTemplate dlg = Page(IDD_SERVERS_PAGE, "Servers");
    dlg.controls.push_back(Group("Display Options (Server)", kMargin, kMargin, kInnerWidth, 127));
    int i = 0;
    for (const Option& o : options) {
        dlg.controls.push_back(
            Check(o.id, o.text, left + (i / rows) * columnWidth, top + (i % rows) * row, columnWidth - 4, o.style));
        ++i;
    }
    dlg.controls.push_back(
        Control(IDC_STATIC, ControlKind::Static, "Current Server N&ame", kMargin, 142, 76, 8, fx::CS_GROUP));
    dlg.controls.push_back(Control(IDC_SERVERS_CURRENT, ControlKind::Edit, "", 86, 140, 128, 12,
                                   fx::CS_DISABLED | fx::CS_BORDER | fx::CS_AUTOHSCROLL | fx::CS_TABSTOP));
    dlg.controls.push_back(
        Control(IDC_SERVERS_BROWSE, ControlKind::PushButton, "&Browse", 220, 139, 53, 14, fx::CS_TABSTOP));
    AddHelp(dlg, kServersHelp);
    return dlg;
}

DialogTemplate GeneralPage()
{
    DialogTemplate dlg = Page(IDD_GENERAL_PAGE, "General");
    constexpr int radioLeft = 26, radioTop = 48, radioRow = 11, radioWidth = 120;
    dlg.controls = {
        Group("General Options", kMargin, kMargin, kInnerWidth, 146),
        Check(IDC_GENERAL_ALWAYS_BROWSE, "A&lways Browse", 16, 20, 160, fx::CS_GROUP),
        Group("Browse Priority", 16, 36, 248, 70),
        Radio(IDC_GENERAL_LOWEST, "&Lowest", radioLeft, radioTop, radioWidth, fx::CS_GROUP | fx::CS_TABSTOP),
        Radio(IDC_GENERAL_BELOW_NORMAL, "&Below Normal", radioLeft, radioTop + radioRow, radioWidth),
        Radio(IDC_GENERAL_NORMAL, "&Normal", radioLeft, radioTop + 2 * radioRow, radioWidth),
        Radio(IDC_GENERAL_ABOVE_NORMAL, "&Above Normal", radioLeft, radioTop + 3 * radioRow, radioWidth),
        Radio(IDC_GENERAL_HIGHEST, "&Highest", radioLeft, radioTop + 4 * radioRow, radioWidth),
        Control(IDC_STATIC, ControlKind::EtchedLine, "", 16, 112, 248, 1, fx::CS_GROUP),
        Label("WARNING:", 16, 118, 44, 8),
        Label("Use priorities above normal carefully, as these may SERIOUSLY effect the "
              "performance of the server being browsed.",
              62, 118, 202, 30),
    };
    AddHelp(dlg, kGeneralHelp);
    return dlg;
}

DialogTemplate FilesPage()
{
    DialogTemplate dlg = Page(IDD_FILES_PAGE, "Files");
    constexpr int left = 16, right = 144, top = 20, width = 120;
    dlg.controls = {
        Group("Display Options", kMargin, kMargin, kInnerWidth, 66),
        Check(IDC_FILES_USER_NAME, "&User Name", left, top, width, fx::CS_DISABLED | fx::CS_GROUP),
        Check(IDC_FILES_STORAGE, "&Storage in use", right, top, width),
        Check(IDC_FILES_FILE_DENIAL, "&File denials", left, top + kRow, width),
        Check(IDC_FILES_DIRECTORY_DENIAL, "&Directory Denials", right, top + kRow, width),
        Label("Root path", left, top + 2 * kRow + 8, 42, 8),
        Control(IDC_FILES_ROOT_PATH, ControlKind::Edit, "", 60, top + 2 * kRow + 6, 150, 12,
                fx::CS_BORDER | fx::CS_AUTOHSCROLL | fx::CS_TABSTOP),
        Control(IDC_FILES_BROWSE, ControlKind::PushButton, "&Browse", 214, top + 2 * kRow + 5, 53, 14, fx::CS_TABSTOP),
    };
    AddHelp(dlg, kFilesHelp);
    return dlg;
}

DialogTemplate NetworksPage()
{
    DialogTemplate dlg = Page(IDD_NETWORKS_PAGE, "Networks");
    constexpr int left = 16, top = 20, width = 160;
    dlg.controls = {
        Group("Display (Resource)", kMargin, kMargin, kInnerWidth, 85),
        Check(IDC_NETWORKS_NET_TYPES, "Network Types", left, top, width, fx::CS_DISABLED | fx::CS_GROUP),
        Check(IDC_NETWORKS_DOMAINS, "Domains", left, top + kRow, width, fx::CS_DISABLED),
        Check(IDC_NETWORKS_DOMAIN_MEMBERS, "Domain Members", left, top + 2 * kRow, width),
        Check(IDC_NETWORKS_SHARES_DISK, "Shares (Disk)", left, top + 3 * kRow, width),
        Check(IDC_NETWORKS_SHARES_PRINTER, "Shares (Printer)", left, top + 4 * kRow, width),
    };
    AddHelp(dlg, kNetworksHelp);
    return dlg;
}

}  // namespace

void AddSettingsResources(fx::ResourceSet& set)
{
    set.Add(UsersPage());
    set.Add(GroupsPage());
    set.Add(ExportPage());
    set.Add(ServersPage());
    set.Add(GeneralPage());
    set.Add(FilesPage());
    set.Add(NetworksPage());
}

}  // namespace res
