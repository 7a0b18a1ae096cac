// Menu 130, the main window's menu bar.
#include "res/res.h"
#include "res/resource.h"

namespace res {

void AddMainMenu(fx::ResourceSet& set)
{
    using M = fx::MenuItemTemplate;
    fx::MenuTemplate menu;
    menu.id = IDR_MAINMENU;
    menu.items = {
        M::Popup("&File",
                 {
                     M::Item(ID_FILE_EXPORT, "&Export"),
                     M::Separator(),
                     M::Item(ID_FILE_EXIT, "E&xit"),
                 }),
        M::Popup("&Tools",
                 {
                     M::Item(ID_TOOLS_BROWSE, "&Browse"),
                     M::Item(ID_TOOLS_PROPERTIES_CYCLIC, "&Properties (cyclic)", true),
                     M::Item(ID_TOOLS_PROPERTIES_COMBINED, "P&roperties (combined)", true),
                     M::Separator(),
                     M::Item(ID_TOOLS_ADD_TO_SERVER_LIST, "&Add to server list", true),
                     M::Separator(),
                     M::Item(ID_TOOLS_SETTINGS, "&Settings"),
                 }),
        M::Popup("&Help",
                 {
                     M::Item(ID_HELP_CONTENTS, "&Contents", true),
                     M::Separator(),
                     M::Item(ID_HELP_ABOUT, "&About"),
                     M::Item(ID_HELP_CONTACT, "How to contact &Tavro Software..."),
                 }),
    };
    set.Add(std::move(menu));
}

}  // namespace res
