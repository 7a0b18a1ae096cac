#include "fx/resources.h"

#include <QIcon>
#include <QPixmap>

#include "fx/internal.h"

namespace fx {

MenuItemTemplate MenuItemTemplate::Item(UINT id, std::string text, bool grayed)
{
    MenuItemTemplate m;
    m.kind = Kind::Item;
    m.id = id;
    m.text = std::move(text);
    m.grayed = grayed;
    return m;
}

MenuItemTemplate MenuItemTemplate::Separator()
{
    MenuItemTemplate m;
    m.kind = Kind::Separator;
    return m;
}

MenuItemTemplate MenuItemTemplate::Popup(std::string text, std::vector<MenuItemTemplate> items)
{
    MenuItemTemplate m;
    m.kind = Kind::Popup;
    m.text = std::move(text);
    m.items = std::move(items);
    return m;
}

void ResourceSet::Add(DialogTemplate dlg)
{
    UINT id = dlg.id;
    dialogs[id] = std::move(dlg);
}

void ResourceSet::Add(MenuTemplate menu)
{
    UINT id = menu.id;
    menus[id] = std::move(menu);
}

namespace {

ResourceSet& Installed()
{
    static ResourceSet set;
    return set;
}

// Loaded pictures live for the rest of the process: handles given out stay valid,
// and nothing is destroyed after the application object.
std::map<UINT, QIcon*>& IconCache()
{
    static auto* cache = new std::map<UINT, QIcon*>;
    return *cache;
}

std::map<UINT, QPixmap*>& BitmapCache()
{
    static auto* cache = new std::map<UINT, QPixmap*>;
    return *cache;
}

}  // namespace

void InstallResources(const ResourceSet& resources)
{
    Installed() = resources;
    // Pictures of the previous set stay allocated (handles may be in use) but are
    // no longer found by id.
    IconCache().clear();
    BitmapCache().clear();
}

const ResourceSet& InstalledResources()
{
    return Installed();
}

const DialogTemplate* FindDialogTemplate(UINT id)
{
    auto it = Installed().dialogs.find(id);
    return it == Installed().dialogs.end() ? nullptr : &it->second;
}

const MenuTemplate* FindMenuTemplate(UINT id)
{
    auto it = Installed().menus.find(id);
    return it == Installed().menus.end() ? nullptr : &it->second;
}

std::optional<std::string> FindString(UINT id)
{
    auto it = Installed().strings.find(id);
    if (it == Installed().strings.end())
        return std::nullopt;
    return it->second;
}

std::string LoadString(UINT id)
{
    return FindString(id).value_or(std::string());
}

HICON LoadIconResource(UINT id)
{
    auto& cache = IconCache();
    if (auto it = cache.find(id); it != cache.end())
        return it->second;
    auto src = Installed().icons.find(id);
    if (src == Installed().icons.end())
        return nullptr;
    auto* icon = new QIcon(detail::Q(src->second));
    if (icon->isNull() || icon->pixmap(32, 32).isNull()) {
        delete icon;
        return nullptr;
    }
    cache[id] = icon;
    return icon;
}

HBITMAP LoadBitmapResource(UINT id)
{
    auto& cache = BitmapCache();
    if (auto it = cache.find(id); it != cache.end())
        return it->second;
    auto src = Installed().bitmaps.find(id);
    if (src == Installed().bitmaps.end())
        return nullptr;
    auto* pixmap = new QPixmap(detail::Q(src->second));
    if (pixmap->isNull()) {
        delete pixmap;
        return nullptr;
    }
    cache[id] = pixmap;
    return pixmap;
}

namespace detail {

std::string FrameworkString(UINT id, const char* fallback)
{
    if (auto s = FindString(id); s && !s->empty())
        return *s;
    return fallback;
}

}  // namespace detail
}  // namespace fx
