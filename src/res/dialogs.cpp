// Dialog templates: the main window (102) and the log-on dialog.
#include "res/control_template.h"
#include "res/res.h"
#include "res/resource.h"

namespace res {

using fx::ControlKind;
using fx::ControlTemplate;
using fx::DialogTemplate;

void AddMainDialog(fx::ResourceSet& set)
{
    DialogTemplate dlg;
    dlg.id = IDD_MAIN;
    dlg.caption = "Vellox";
    dlg.x = 0;
    dlg.y = 0;
    dlg.cx = 441;
    dlg.cy = 213;
    dlg.fontFace = "MS Sans Serif";
    dlg.pointSize = 8;
    // A normal resizable window: the list and its frame take what the window grows.
    dlg.style = fx::DS_CAPTION | fx::DS_SYSMENU | fx::DS_MINIMIZEBOX | fx::DS_MAXIMIZEBOX | fx::DS_THICKFRAME |
                fx::DS_APPWINDOW;
    dlg.menuId = IDR_MAINMENU;

    using namespace fx;
    const DWORD list = CS_NOTIFY | CS_USETABSTOPS | CS_EXTENDEDSEL | CS_NOINTEGRALHEIGHT | CS_VSCROLL | CS_HSCROLL |
                       CS_BORDER | CS_TABSTOP;
    const DWORD combo = CS_DROPDOWNLIST | CS_SORT | CS_VSCROLL | CS_TABSTOP;
    const DWORD button = CS_TABSTOP;

    dlg.controls = {
        Growing(Control(IDC_RESULTS, ControlKind::ListBox, "", 100, 15, 330, 185, list)),
        Control(IDC_BROWSE, ControlKind::DefPushButton, "&Browse", 5, 100, 65, 15, button),
        Growing(Control(IDC_STATIC, ControlKind::GroupBox, "", 95, 5, 340, 200, CS_NONE)),
        Control(IDC_SERVER, ControlKind::ComboBox, "", 5, 55, 85, 45, combo),
        Control(IDC_STATIC, ControlKind::Static, "Server", 5, 45, 65, 10, CS_NONE),
        Control(IDC_STATIC, ControlKind::Static, "Display", 5, 70, 65, 10, CS_NONE),
        Control(IDC_DISPLAY, ControlKind::ComboBox, "", 5, 80, 85, 70, combo),
        Control(IDC_BUSY0, ControlKind::IconStatic, "", 5, 10, 18, 20, CS_NONE, IDI_GLOBE0),
        Control(IDC_STATIC, ControlKind::Static, "Domain browser", 30, 10, 55, 15, CS_NONE),
        Control(IDC_EXPORT, ControlKind::PushButton, "Ex&port", 5, 125, 65, 15, button),
        Control(IDC_EXIT, ControlKind::PushButton, "E&xit", 5, 190, 65, 15, button),
        Control(IDC_STATIC, ControlKind::Static, "Entries Found", 5, 150, 45, 10, CS_NONE),
        Control(IDC_ENTRIES_FOUND, ControlKind::Edit, "", 5, 160, 80, 12,
                CS_READONLY | CS_BORDER | CS_AUTOHSCROLL | CS_TABSTOP),
        Control(IDC_BUSY1, ControlKind::IconStatic, "", 5, 10, 18, 20, CS_NONE, IDI_GLOBE1),
        Control(IDC_BUSY2, ControlKind::IconStatic, "", 5, 10, 18, 20, CS_NONE, IDI_GLOBE2),
        Control(IDC_BUSY3, ControlKind::IconStatic, "", 5, 10, 18, 20, CS_NONE, IDI_GLOBE3),
        Control(IDC_STOP, ControlKind::DefPushButton, "&Stop", 5, 100, 65, 15, CS_HIDDEN | button),
    };
    set.Add(std::move(dlg));
}

void AddLogonDialog(fx::ResourceSet& set)
{
    DialogTemplate dlg;
    dlg.id = IDD_LOGON;
    dlg.caption = "Log on to the domain";
    dlg.cx = 200;
    dlg.cy = 98;
    dlg.style = fx::DS_CAPTION | fx::DS_SYSMENU | fx::DS_CENTER;

    using namespace fx;
    const DWORD edit = CS_BORDER | CS_AUTOHSCROLL | CS_TABSTOP;
    dlg.controls = {
        Control(IDC_STATIC, ControlKind::Static, "The servers ask who you are. Enter an account of the domain.", 7, 7,
                186, 16, CS_NONE),
        Control(IDC_STATIC, ControlKind::Static, "&User name:", 7, 29, 50, 8, CS_NONE),
        Control(IDC_LOGON_USER, ControlKind::Edit, "", 60, 27, 133, 12, edit),
        Control(IDC_STATIC, ControlKind::Static, "&Domain:", 7, 45, 50, 8, CS_NONE),
        Control(IDC_LOGON_DOMAIN, ControlKind::Edit, "", 60, 43, 133, 12, edit),
        Control(IDC_STATIC, ControlKind::Static, "&Password:", 7, 61, 50, 8, CS_NONE),
        Control(IDC_LOGON_PASSWORD, ControlKind::Edit, "", 60, 59, 133, 12, edit | CS_PASSWORD),
        Control(IDOK, ControlKind::DefPushButton, "OK", 89, 78, 50, 14, CS_TABSTOP),
        Control(IDCANCEL, ControlKind::PushButton, "Cancel", 143, 78, 50, 14, CS_TABSTOP),
    };
    set.Add(std::move(dlg));
}

}  // namespace res
