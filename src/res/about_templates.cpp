// Dialog templates of the About box (100) and the contact box (148).
#include "res/about_resource.h"
#include "res/control_template.h"
#include "res/resource.h"

#include "fx/resources.h"

namespace res {

namespace {

using fx::ControlKind;
using fx::ControlTemplate;
using fx::DialogTemplate;

DialogTemplate AboutDialog()
{
    DialogTemplate dlg;
    dlg.id = IDD_ABOUTBOX;
    dlg.caption = "About Vellox";
    dlg.x = 34;
    dlg.y = 22;
    dlg.cx = 226;
    dlg.cy = 193;
    dlg.style = fx::DS_CAPTION | fx::DS_SYSMENU;

    ControlTemplate icon = Control(IDC_STATIC, ControlKind::IconStatic, "", 11, 17, 18, 20);
    icon.imageId = IDI_GLOBE0;
    dlg.controls.push_back(icon);
    dlg.controls.push_back(Control(IDC_STATIC, ControlKind::Static, "Vellox", 40, 10, 119, 8, fx::CS_NOPREFIX));
    dlg.controls.push_back(
        Control(IDC_STATIC, ControlKind::Static, "Domain administration for Linux", 40, 40, 145, 10, fx::CS_NOPREFIX));
    dlg.controls.push_back(
        Control(IDOK, ControlKind::DefPushButton, "OK", 190, 5, 32, 14, fx::CS_GROUP | fx::CS_TABSTOP));
    dlg.controls.push_back(
        Control(IDC_HISTORY, ControlKind::ListBox, "", 10, 60, 205, 125,
                fx::CS_NOTIFY | fx::CS_NOINTEGRALHEIGHT | fx::CS_VSCROLL | fx::CS_BORDER | fx::CS_TABSTOP));
    dlg.controls.push_back(Control(IDC_BUILD, ControlKind::Static, "Build 005", 90, 25, 69, 8, fx::CS_NOPREFIX));
    dlg.controls.push_back(Control(IDC_VERSION, ControlKind::Static, "Alpha", 40, 25, 45, 10, fx::CS_NOPREFIX));
    return dlg;
}

constexpr char kContactFaults[] =
    "If you find a fault in Vellox, or would like to tell us what you think of it, please write "
    "to us at vellox@example.org.";
constexpr char kContactWishes[] =
    "What would you like to see in the next release? Send us your wishes, or leave them on our "
    "home page at https://example.org/vellox.";
constexpr char kContactNews[] =
    "The changes we expect to make and the date of the next release are posted there as well. "
    "Thank you for using Vellox!";

DialogTemplate ContactDialog()
{
    DialogTemplate dlg;
    dlg.id = IDD_CONTACT;
    dlg.caption = "How to contact Tavro Software...";
    dlg.cx = 261;
    dlg.cy = 168;
    dlg.style = fx::DS_CAPTION | fx::DS_SYSMENU | fx::DS_CENTER;

    dlg.controls.push_back(
        Control(IDOK, ControlKind::DefPushButton, "OK", 214, 6, 40, 14, fx::CS_GROUP | fx::CS_TABSTOP));
    // Left of the rule the box stays empty: the dialog paints its two pictures there.
    dlg.controls.push_back(Control(IDC_CONTACT_RULE, ControlKind::Static, "", 85, 0, 1, 168));
    dlg.controls.push_back(Control(IDC_STATIC, ControlKind::Static, "Questions ?", 95, 10, 110, 10, fx::CS_NOPREFIX));
    dlg.controls.push_back(Control(IDC_STATIC, ControlKind::Static, kContactFaults, 95, 32, 159, 34, fx::CS_NOPREFIX));
    dlg.controls.push_back(Control(IDC_STATIC, ControlKind::Static, kContactWishes, 95, 74, 159, 34, fx::CS_NOPREFIX));
    dlg.controls.push_back(Control(IDC_STATIC, ControlKind::Static, kContactNews, 95, 116, 159, 34, fx::CS_NOPREFIX));
    return dlg;
}

}  // namespace

void AddAboutResources(fx::ResourceSet& set)
{
    set.Add(AboutDialog());
    set.Add(ContactDialog());
}

}  // namespace res
