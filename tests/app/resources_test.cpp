// The resources the window is built from: dialog 102 in template order, menu 130 by
// position, and the string table.
#include "fx/app.h"
#include "res/res.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using fx::ControlKind;

TEST(Resources, MainDialogControlsInTemplateOrder)
{
    const fx::ResourceSet set = res::BuildResources();
    const fx::DialogTemplate& dlg = set.dialogs.at(102);
    EXPECT_EQ(dlg.caption, "Vellox");
    EXPECT_EQ(std::tie(dlg.x, dlg.y, dlg.cx, dlg.cy), std::make_tuple(0, 0, 441, 213));
    EXPECT_EQ(dlg.menuId, 130u);
    EXPECT_EQ(dlg.style, DWORD(fx::DS_CAPTION | fx::DS_SYSMENU | fx::DS_MINIMIZEBOX | fx::DS_MAXIMIZEBOX |
                               fx::DS_THICKFRAME | fx::DS_APPWINDOW));

    struct Expected {
        int id;
        ControlKind kind;
        const char* text;
        int x, y, cx, cy;
    };
    const std::vector<Expected> expected = {
        {1003, ControlKind::ListBox, "", 100, 15, 330, 185},
        {1004, ControlKind::DefPushButton, "&Browse", 5, 100, 65, 15},
        {IDC_STATIC, ControlKind::GroupBox, "", 95, 5, 340, 200},
        {1011, ControlKind::ComboBox, "", 5, 55, 85, 45},
        {IDC_STATIC, ControlKind::Static, "Server", 5, 45, 65, 10},
        {IDC_STATIC, ControlKind::Static, "Display", 5, 70, 65, 10},
        {1013, ControlKind::ComboBox, "", 5, 80, 85, 70},
        {1068, ControlKind::IconStatic, "", 5, 10, 18, 20},
        {IDC_STATIC, ControlKind::Static, "Domain browser", 30, 10, 55, 15},
        {1017, ControlKind::PushButton, "Ex&port", 5, 125, 65, 15},
        {1000, ControlKind::PushButton, "E&xit", 5, 190, 65, 15},
        {IDC_STATIC, ControlKind::Static, "Entries Found", 5, 150, 45, 10},
        {1041, ControlKind::Edit, "", 5, 160, 80, 12},
        {1069, ControlKind::IconStatic, "", 5, 10, 18, 20},
        {1070, ControlKind::IconStatic, "", 5, 10, 18, 20},
        {1071, ControlKind::IconStatic, "", 5, 10, 18, 20},
        {1005, ControlKind::DefPushButton, "&Stop", 5, 100, 65, 15},
    };
    ASSERT_EQ(dlg.controls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const fx::ControlTemplate& c = dlg.controls[i];
        const Expected& e = expected[i];
        EXPECT_EQ(c.id, e.id) << i;
        EXPECT_EQ(c.kind, e.kind) << i;
        EXPECT_EQ(c.text, e.text) << i;
        EXPECT_EQ(std::tie(c.x, c.y, c.cx, c.cy), std::tie(e.x, e.y, e.cx, e.cy)) << i;
    }
    // Icons 128..131 on the four statics; only Stop starts hidden.
    EXPECT_EQ(dlg.controls[7].imageId, 128u);
    EXPECT_EQ(dlg.controls[13].imageId, 129u);
    EXPECT_EQ(dlg.controls[14].imageId, 130u);
    EXPECT_EQ(dlg.controls[15].imageId, 131u);
    for (std::size_t i = 0; i + 1 < dlg.controls.size(); ++i)
        EXPECT_EQ(dlg.controls[i].style & fx::CS_HIDDEN, 0u) << i;
    EXPECT_NE(dlg.controls.back().style & fx::CS_HIDDEN, 0u);
    const DWORD list = dlg.controls[0].style;
    for (DWORD bit : {fx::CS_NOTIFY, fx::CS_USETABSTOPS, fx::CS_EXTENDEDSEL, fx::CS_NOINTEGRALHEIGHT, fx::CS_VSCROLL,
                      fx::CS_HSCROLL, fx::CS_BORDER})
        EXPECT_NE(list & bit, 0u) << bit;
    EXPECT_EQ(list & fx::CS_SORT, 0u);
    for (int combo : {3, 6}) {
        EXPECT_NE(dlg.controls[combo].style & fx::CS_DROPDOWNLIST, 0u);
        EXPECT_NE(dlg.controls[combo].style & fx::CS_SORT, 0u);
    }
    EXPECT_NE(dlg.controls[12].style & fx::CS_READONLY, 0u);
}

TEST(Resources, MenuPositionsAndStates)
{
    const fx::ResourceSet set = res::BuildResources();
    const fx::MenuTemplate& menu = set.menus.at(130);
    ASSERT_EQ(menu.items.size(), 3u);
    using Kind = fx::MenuItemTemplate::Kind;
    struct Item {
        UINT id;
        const char* text;
        bool grayed;
    };
    auto check = [](const fx::MenuItemTemplate& popup, const char* title, const std::vector<Item>& items) {
        EXPECT_EQ(popup.kind, Kind::Popup);
        EXPECT_EQ(popup.text, title);
        ASSERT_EQ(popup.items.size(), items.size()) << title;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const fx::MenuItemTemplate& got = popup.items[i];
            if (items[i].id == 0) {
                EXPECT_EQ(got.kind, Kind::Separator) << title << " " << i;
                continue;
            }
            EXPECT_EQ(got.id, items[i].id) << title << " " << i;
            EXPECT_EQ(got.text, items[i].text) << title << " " << i;
            EXPECT_EQ(got.grayed, items[i].grayed) << title << " " << i;
        }
    };
    check(menu.items[0], "&File", {{32775, "&Export", false}, {0, "", false}, {32771, "E&xit", false}});
    check(menu.items[1], "&Tools",
          {{32773, "&Browse", false},
           {32781, "&Properties (cyclic)", true},
           {32782, "P&roperties (combined)", true},
           {0, "", false},
           {32784, "&Add to server list", true},
           {0, "", false},
           {32774, "&Settings", false}});
    check(menu.items[2], "&Help",
          {{32776, "&Contents", true},
           {0, "", false},
           {32772, "&About", false},
           {32785, "How to contact &Tavro Software...", false}});
}

TEST(Resources, StringTableHoldsTheWindowAndBrowseTexts)
{
    const fx::ResourceSet set = res::BuildResources();
    const std::vector<std::pair<UINT, const char*>> expected = {
        {101, "&About Vellox..."},
        {59145, "User terminated browse."},
        {59146, "Could not terminate browse (finished concurrently?)"},
        {59147, "Working..."},
        {59148, "Failed to set thread priority."},
        {59149, "Could not assign a timer."},
        {59150, "An unknown thread has terminated."},
        {59164, "Settings"},
        {59182, "There is more data than buffer space."},
        {59183, "Could not locate any servers."},
        {59184, "Unsupported Display Type."},
        {59186, "END_OF_DATA"},
        {59187, "FILES"},
        {59188, "USERS"},
        {59189, "NETWORK"},
        {59190, "GROUPS"},
        {59191, "SERVERS"},
        {59200, "There is not enough information to be exported. Re-apply selection with different settings."},
        {32771, "This option terminates the application"},
        {32776, "This command opens the general Help file."},
    };
    for (const auto& [id, text] : expected) {
        ASSERT_TRUE(set.strings.count(id)) << id;
        EXPECT_EQ(set.strings.at(id), text) << id;
    }
    // Every number from 59145 to 59191 that the window or the lists use is there.
    for (UINT id = 59145; id <= 59191; ++id) {
        if (id == 59163)  // account editing's, not the window's
            continue;
        EXPECT_TRUE(set.strings.count(id)) << id;
    }
}

TEST(Resources, PicturesArePartOfTheProgram)
{
    fx::EnsureApplication();
    res::Install();
    for (UINT id : {128u, 129u, 130u, 131u})
        EXPECT_NE(fx::LoadIconResource(id), nullptr) << id;
    for (UINT id : {153u, 156u})
        EXPECT_NE(fx::LoadBitmapResource(id), nullptr) << id;
}

}  // namespace
