// Dialog template 139 (User Properties) and the strings of account editing.
#include "res/accounts_resource.h"
#include "res/control_template.h"

#include "fx/resources.h"

namespace res {

using fx::ControlKind;
using fx::ControlTemplate;
using fx::DialogTemplate;

namespace {

void AddUserPropsDialog(fx::ResourceSet& set)
{
    using namespace fx;
    DialogTemplate dlg;
    dlg.id = IDD_USER_PROPS;
    dlg.caption = "User Properties";
    dlg.cx = 300;
    dlg.cy = 262;
    dlg.fontFace = "MS Sans Serif";
    dlg.pointSize = 8;
    dlg.style = DS_CAPTION | DS_SYSMENU | DS_CENTER;
    const DWORD edit = CS_BORDER | CS_AUTOHSCROLL | CS_TABSTOP;
    const DWORD check = CS_AUTO | CS_TABSTOP;
    const DWORD list = CS_SORT | CS_EXTENDEDSEL | CS_VSCROLL | CS_BORDER | CS_TABSTOP | CS_NOINTEGRALHEIGHT;
    dlg.controls = {
        Control(IDC_STATIC, ControlKind::Static, "UserName:", 7, 9, 60, 8, CS_NONE),
        Control(IDC_USER_NAME, ControlKind::Static, "<username>", 72, 9, 150, 8, CS_NOPREFIX),
        Control(IDOK, ControlKind::DefPushButton, "OK", 243, 7, 50, 14, CS_TABSTOP),
        Control(IDCANCEL, ControlKind::PushButton, "Cancel", 243, 24, 50, 14, CS_TABSTOP),
        Control(IDC_STATIC, ControlKind::Static, "F&ull Name:", 7, 26, 62, 8, CS_NONE),
        Control(IDC_USER_FULL_NAME, ControlKind::Edit, "", 72, 24, 160, 12, edit),
        Control(IDC_STATIC, ControlKind::Static, "&Description:", 7, 42, 62, 8, CS_NONE),
        Control(IDC_USER_DESCRIPTION, ControlKind::Edit, "", 72, 40, 221, 12, edit),
        Control(IDC_STATIC, ControlKind::Static, "&Password", 7, 58, 62, 8, CS_NONE),
        Control(IDC_USER_PASSWORD, ControlKind::Edit, "", 72, 56, 100, 12, edit | CS_PASSWORD),
        Control(IDC_STATIC, ControlKind::Static, "&Confirm Password", 7, 74, 62, 8, CS_NONE),
        Control(IDC_USER_CONFIRM, ControlKind::Edit, "", 72, 72, 100, 12, edit | CS_PASSWORD),
        Control(IDC_STATIC, ControlKind::Static, "Last logged on:", 180, 58, 113, 8, CS_NONE),
        Control(IDC_USER_LAST_LOGON, ControlKind::StaticCenter, "<time/date>", 180, 70, 113, 8, CS_NOPREFIX),
        Control(IDC_USER_MUST_CHANGE, ControlKind::CheckBox, "User &must change password at next logon", 7, 92, 200, 10,
                check),
        Control(IDC_USER_CANNOT_CHANGE, ControlKind::CheckBox, "U&ser cannot change password", 7, 104, 200, 10, check),
        Control(IDC_USER_NEVER_EXPIRES, ControlKind::CheckBox, "Pass&word never expires", 7, 116, 200, 10, check),
        Control(IDC_USER_DISABLED, ControlKind::CheckBox, "Account disa&bled", 7, 128, 120, 10, check),
        Control(IDC_USER_LOCKED_OUT, ControlKind::CheckBox, "Account &locked out", 7, 140, 120, 10, check),
        Control(IDC_STATIC, ControlKind::Static, "&Member of", 7, 158, 110, 8, CS_NONE),
        Control(IDC_USER_MEMBER_OF, ControlKind::ListBox, "", 7, 168, 115, 87, list),
        Control(IDC_USER_ADD, ControlKind::PushButton, "<- &Add", 127, 180, 46, 14, CS_TABSTOP),
        Control(IDC_USER_REMOVE, ControlKind::PushButton, "&Remove - >", 127, 198, 46, 14, CS_TABSTOP),
        Control(IDC_USER_PRIMARY, ControlKind::PushButton, "&Primary", 127, 230, 46, 14, CS_TABSTOP | CS_DISABLED),
        Control(IDC_STATIC, ControlKind::Static, "&Not a member of", 178, 158, 110, 8, CS_NONE),
        Control(IDC_USER_NOT_MEMBER_OF, ControlKind::ListBox, "", 178, 168, 115, 87, list | CS_NOTIFY),
    };
    set.Add(std::move(dlg));
}

void AddGroupPropsDialog(fx::ResourceSet& set)
{
    using namespace fx;
    DialogTemplate dlg;
    dlg.id = IDD_GROUP_PROPS;
    dlg.caption = "Group Properties";
    dlg.cx = 286;
    dlg.cy = 218;
    dlg.style = DS_CAPTION | DS_SYSMENU | DS_CENTER;
    const DWORD list = CS_SORT | CS_EXTENDEDSEL | CS_VSCROLL | CS_BORDER | CS_TABSTOP | CS_NOINTEGRALHEIGHT;
    const DWORD button = CS_TABSTOP;
    dlg.controls = {
        Control(IDC_STATIC, ControlKind::Static, "Group name:", 7, 9, 50, 8),
        Control(IDC_GROUP_NAME, ControlKind::Static, "<groupname>", 62, 9, 150, 8, CS_NOPREFIX),
        Control(IDOK, ControlKind::DefPushButton, "OK", 229, 7, 50, 14, button),
        Control(IDCANCEL, ControlKind::PushButton, "Cancel", 229, 24, 50, 14, button),
        Control(IDC_GROUP_HELP, ControlKind::PushButton, "&Help", 229, 41, 50, 14, button | CS_DISABLED),
        Control(IDC_STATIC, ControlKind::Static, "&Description:", 7, 27, 50, 8),
        Control(IDC_GROUP_DESCRIPTION, ControlKind::Edit, "", 62, 25, 160, 12, CS_BORDER | CS_AUTOHSCROLL | button),
        Control(IDC_STATIC, ControlKind::Static, "&Members:", 7, 60, 100, 8),
        Control(IDC_GROUP_MEMBERS, ControlKind::ListBox, "", 7, 70, 105, 122, list),
        Control(IDC_GROUP_MOVE, ControlKind::PushButton, "<- &Move", 118, 80, 50, 14, button | CS_DISABLED),
        Control(IDC_GROUP_REMOVE, ControlKind::PushButton, "&Remove - >", 118, 98, 50, 14, button | CS_DISABLED),
        Control(IDC_GROUP_COPY_TO_MEMBERS, ControlKind::PushButton, "<- C&opy", 118, 126, 50, 14, button | CS_DISABLED),
        Control(IDC_GROUP_COPY_TO_OTHERS, ControlKind::PushButton, "Co&py - >", 118, 144, 50, 14, button | CS_DISABLED),
        Control(IDC_GROUP_OTHERS_LABEL, ControlKind::Static, "&Not members:", 174, 60, 105, 8, CS_NOPREFIX),
        Control(IDC_GROUP_OTHERS, ControlKind::ListBox, "", 174, 70, 105, 122, list | CS_NOTIFY),
        Control(IDC_GROUP_SELECT_GROUP, ControlKind::PushButton, "&Select Group", 229, 198, 50, 14, button),
    };
    set.Add(std::move(dlg));
}

void AddSelectGroupDialog(fx::ResourceSet& set)
{
    using namespace fx;
    DialogTemplate dlg;
    dlg.id = IDD_SELECT_GROUP;
    dlg.caption = "Select Group";
    dlg.cx = 185;
    dlg.cy = 98;
    dlg.style = DS_CAPTION | DS_SYSMENU | DS_CENTER;
    dlg.controls = {
        Control(IDC_SELECT_GROUPS, ControlKind::ListBox, "", 7, 7, 115, 84,
                CS_SORT | CS_NOTIFY | CS_VSCROLL | CS_BORDER | CS_TABSTOP | CS_NOINTEGRALHEIGHT),
        Control(IDOK, ControlKind::DefPushButton, "OK", 128, 7, 50, 14, CS_TABSTOP),
        Control(IDCANCEL, ControlKind::PushButton, "Cancel", 128, 24, 50, 14, CS_TABSTOP),
    };
    set.Add(std::move(dlg));
}

}  // namespace

void AddAccountResources(fx::ResourceSet& set)
{
    AddUserPropsDialog(set);
    AddGroupPropsDialog(set);
    AddSelectGroupDialog(set);
    const std::pair<unsigned, const char*> strings[] = {
        {IDS_APP_CAPTION, STR_APP_CAPTION},
        {IDS_ADD_NEW_SERVER, STR_ADD_NEW_SERVER},
        {IDS_CONFLICTING_OPTIONS, STR_CONFLICTING_OPTIONS},
        {IDS_USER_SETTINGS_FAILED, STR_USER_SETTINGS_FAILED},
        {IDS_CANNOT_CHANGE_NOT_STORED, STR_CANNOT_CHANGE_NOT_STORED},
        {IDS_NOT_DOMAIN_CONTROLLER, STR_NOT_DOMAIN_CONTROLLER},
        {IDS_INDIRECT_GROUP, STR_INDIRECT_GROUP},
        {IDS_INVALID_SELECTION, STR_INVALID_SELECTION},
        {IDS_COULD_NOT_ADD_TO_GROUP, STR_COULD_NOT_ADD_TO_GROUP},
        {IDS_SID_FAILED, STR_SID_FAILED},
        {IDS_PASSWORD_PLACEHOLDER, STR_PASSWORD_PLACEHOLDER},
        {IDS_PASSWORDS_DIFFER, STR_PASSWORDS_DIFFER},
        {IDS_COULD_NOT_REMOVE_FROM_GROUP, STR_COULD_NOT_REMOVE_FROM_GROUP},
        {IDS_ACCOUNT_UNREADABLE, STR_ACCOUNT_UNREADABLE},
        {IDS_WARNING_CAPTION, STR_WARNING},
        {IDS_ALREADY_MEMBER, STR_ALREADY_MEMBER},
        {IDS_MOVE_EXISTS, STR_MOVE_EXISTS},
        {IDS_REMOVING_WARNING, STR_REMOVING_WARNING},
        {IDS_GROUP_WRITE_FAILED, STR_GROUP_WRITE_FAILED},
        {IDS_COULD_NOT_ADD_USER, STR_COULD_NOT_ADD_USER},
        {IDS_COULD_NOT_REMOVE_USER, STR_COULD_NOT_REMOVE_USER},
        {IDS_GROUP_UNREADABLE, STR_GROUP_UNREADABLE},
    };
    for (const auto& [id, text] : strings)
        set.strings[id] = text;
}

}  // namespace res
