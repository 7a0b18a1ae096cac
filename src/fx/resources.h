// Resource descriptions: dialog templates, menus, the string table and pictures.
// The application fills one ResourceSet at start-up and installs it; the framework
// looks everything up by number through it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fx/types.h"

namespace fx {

// Dialog styles.
enum DialogStyle : DWORD {
    DS_NONE = 0,
    DS_CAPTION = 0x0001,      // title bar
    DS_SYSMENU = 0x0002,      // system menu and close box
    DS_MINIMIZEBOX = 0x0004,  // minimize box
    DS_CHILD = 0x0008,        // child window: a property page
    DS_CENTER = 0x0010,       // centred when created
    DS_THICKFRAME = 0x0020,   // resizable; the template size is the initial and the minimum size
    DS_MAXIMIZEBOX = 0x0040,  // maximize box
    DS_APPWINDOW = 0x0080,    // the program's main window: a normal top-level window, never modal
};

// Control styles. Not every style applies to every kind.
enum ControlStyle : DWORD {
    CS_NONE = 0,
    CS_HIDDEN = 0x00000001,            // created invisible
    CS_DISABLED = 0x00000002,          // created disabled
    CS_GROUP = 0x00000004,             // starts a group (radio groups end at the next one)
    CS_TABSTOP = 0x00000008,           // reachable with Tab
    CS_PASSWORD = 0x00000010,          // edit: shows bullets
    CS_READONLY = 0x00000020,          // edit: not editable
    CS_MULTILINE = 0x00000040,         // edit: several lines
    CS_NOTIFY = 0x00000080,            // list box: sends LBN_SELCHANGE / LBN_DBLCLK
    CS_SORT = 0x00000100,              // list/combo box: items kept sorted
    CS_EXTENDEDSEL = 0x00000200,       // list box: extended selection (Shift/Ctrl)
    CS_USETABSTOPS = 0x00000400,       // list box: expands TAB characters
    CS_VSCROLL = 0x00000800,           // vertical scroll bar
    CS_HSCROLL = 0x00001000,           // horizontal scroll bar
    CS_BORDER = 0x00002000,            // thin border
    CS_DROPDOWNLIST = 0x00004000,      // combo box: list only, no edit field
    CS_AUTOHSCROLL = 0x00008000,       // edit: scrolls horizontally
    CS_NOINTEGRALHEIGHT = 0x00010000,  // list box: keeps its template height
    CS_MULTIPLESEL = 0x00020000,       // list box: each click toggles
    CS_RIGHT = 0x00040000,             // static: right-aligned text
    CS_NOPREFIX = 0x00080000,          // static: '&' is shown, not a mnemonic
    CS_WANTRETURN = 0x00100000,        // multiline edit: Enter inserts a line break
    CS_UPPERCASE = 0x00200000,         // edit: converts to upper case
    CS_NUMBER = 0x00400000,            // edit: digits only
    CS_AUTO = 0x00800000,              // check box / radio button: ticks itself when clicked
};

constexpr DWORD operator|(ControlStyle a, ControlStyle b)
{
    return DWORD(a) | DWORD(b);
}
constexpr DWORD operator|(DWORD a, ControlStyle b)
{
    return a | DWORD(b);
}
constexpr DWORD operator|(DialogStyle a, DialogStyle b)
{
    return DWORD(a) | DWORD(b);
}
constexpr DWORD operator|(DWORD a, DialogStyle b)
{
    return a | DWORD(b);
}

enum class ControlKind {
    PushButton,
    DefPushButton,
    CheckBox,     // auto check box
    RadioButton,  // auto radio button; CS_GROUP on the first of a group
    GroupBox,
    Static,        // left-aligned text (word-wrapped)
    StaticCenter,  // centred text
    StaticRight,   // right-aligned text
    Edit,
    ListBox,
    ComboBox,      // with CS_DROPDOWNLIST: drop-down list
    IconStatic,    // shows icon `imageId`
    BitmapStatic,  // shows bitmap `imageId`
    EtchedLine,    // horizontal etched line
    EtchedFrame,   // etched rectangle
};

// How a control follows a resizable dialog: it keeps its place, and grows by what the
// dialog grew in the directions named.
enum ControlSizing : DWORD {
    SZ_FIXED = 0,
    SZ_GROW_X = 0x1,  // wider with the dialog
    SZ_GROW_Y = 0x2,  // taller with the dialog
};

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    DWORD style = CS_NONE;
    UINT imageId = 0;         // icon or bitmap resource of IconStatic / BitmapStatic
    DWORD sizing = SZ_FIXED;  // ControlSizing bits, for a DS_THICKFRAME dialog
};

struct DialogTemplate {
    UINT id = 0;
    std::string caption;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string fontFace = "MS Sans Serif";
    int pointSize = 8;
    DWORD style = DS_CAPTION | DS_SYSMENU;
    UINT menuId = 0;  // menu bar, 0 for none
    std::vector<ControlTemplate> controls;
};

// One menu entry: a command item, a separator, or a popup with its own items.
struct MenuItemTemplate {
    enum class Kind { Item, Separator, Popup };
    Kind kind = Kind::Item;
    UINT id = 0;
    std::string text;
    bool grayed = false;
    bool checked = false;
    std::vector<MenuItemTemplate> items;  // Popup only

    static MenuItemTemplate Item(UINT id, std::string text, bool grayed = false);
    static MenuItemTemplate Separator();
    static MenuItemTemplate Popup(std::string text, std::vector<MenuItemTemplate> items);
};

struct MenuTemplate {
    UINT id = 0;
    std::vector<MenuItemTemplate> items;  // the top level: normally popups
};

// Every resource of a program. Pictures are given as a path: a Qt resource path
// (":/...") or a file path, PNG or SVG.
struct ResourceSet {
    std::map<UINT, DialogTemplate> dialogs;
    std::map<UINT, MenuTemplate> menus;
    std::map<UINT, std::string> strings;
    std::map<UINT, std::string> icons;
    std::map<UINT, std::string> bitmaps;

    void Add(DialogTemplate dlg);
    void Add(MenuTemplate menu);
};

// Replaces the installed resources. Call on the window thread before any window exists.
void InstallResources(const ResourceSet& resources);
const ResourceSet& InstalledResources();

const DialogTemplate* FindDialogTemplate(UINT id);
const MenuTemplate* FindMenuTemplate(UINT id);
std::optional<std::string> FindString(UINT id);
// The string with this id, empty when the table has none.
std::string LoadString(UINT id);
// Icon and bitmap handles stay valid for the rest of the run; nullptr when unknown.
HICON LoadIconResource(UINT id);
HBITMAP LoadBitmapResource(UINT id);

}  // namespace fx
