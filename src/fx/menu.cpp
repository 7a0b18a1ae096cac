// Menus from templates, the menu bar and the system menu.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "fx/internal.h"
#include "fx/wnd.h"

namespace {

constexpr const char* kIdProp = "fxMenuId";
constexpr const char* kStateProp = "fxMenuState";

UINT StateOf(const QAction* a)
{
    return a->property(kStateProp).toUInt();
}

void SetState(QAction* a, UINT state)
{
    a->setProperty(kStateProp, state);
    a->setEnabled((state & (MF_GRAYED | MF_DISABLED)) == 0);
}

QAction* AddItem(QWidget* menu, const QString& text, UINT id, UINT state, CWnd* owner, bool system)
{
    auto* action = new QAction(text, menu);
    action->setProperty(kIdProp, id);
    SetState(action, state & (MF_GRAYED | MF_DISABLED));
    if (state & MF_CHECKED) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    // Menu entries reach their handlers only through the owner's message map.
    QObject::connect(action, &QAction::triggered, menu, [owner, id, system] {
        if (system) {
            owner->SendMessage(WM_SYSCOMMAND, id, 0);
        } else {
            owner->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
        }
    });
    menu->addAction(action);
    return action;
}

void AddSeparator(QWidget* menu)
{
    auto* action = new QAction(menu);
    action->setSeparator(true);
    menu->addAction(action);
}

}  // namespace

namespace fx::detail {

void FillMenu(QWidget* menu, const std::vector<MenuItemTemplate>& items, CWnd* owner)
{
    for (const auto& item : items) {
        switch (item.kind) {
        case MenuItemTemplate::Kind::Separator:
            AddSeparator(menu);
            break;
        case MenuItemTemplate::Kind::Item:
            AddItem(menu, Q(item.text), item.id, (item.grayed ? MF_GRAYED : 0) | (item.checked ? MF_CHECKED : 0), owner,
                    false);
            break;
        case MenuItemTemplate::Kind::Popup: {
            auto* popup = new QMenu(Q(item.text), menu);
            FillMenu(popup, item.items, owner);
            QAction* a = popup->menuAction();
            SetState(a, item.grayed ? MF_GRAYED : 0);
            menu->addAction(a);
            break;
        }
        }
    }
}

}  // namespace fx::detail

CMenu::~CMenu() = default;

void CMenu::AttachQt(QWidget* menu, CWnd* owner, bool system)
{
    m_pMenu = menu;
    m_pOwner = owner;
    m_bSystem = system;
    m_subMenus.clear();
}

CMenu* CMenu::GetSubMenu(int pos)
{
    if (!m_pMenu)
        return nullptr;
    auto actions = m_pMenu->actions();
    if (pos < 0 || pos >= actions.size())
        return nullptr;
    QMenu* sub = actions[pos]->menu();
    if (!sub)
        return nullptr;
    auto& slot = m_subMenus[sub];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->AttachQt(sub, m_pOwner, m_bSystem);
    }
    return slot.get();
}

int CMenu::GetMenuItemCount() const
{
    return m_pMenu ? int(m_pMenu->actions().size()) : -1;
}

UINT CMenu::GetMenuItemID(int pos) const
{
    if (!m_pMenu)
        return UINT(-1);
    auto actions = m_pMenu->actions();
    if (pos < 0 || pos >= actions.size())
        return UINT(-1);
    if (actions[pos]->menu())
        return UINT(-1);
    if (actions[pos]->isSeparator())
        return 0;
    return actions[pos]->property(kIdProp).toUInt();
}

QAction* CMenu::FindByCommand(UINT nID) const
{
    if (!m_pMenu)
        return nullptr;
    // Depth first through the popups, as a command may sit in any of them.
    std::vector<QWidget*> pending{m_pMenu.data()};
    while (!pending.empty()) {
        QWidget* menu = pending.back();
        pending.pop_back();
        for (QAction* a : menu->actions()) {
            if (a->menu()) {
                pending.push_back(a->menu());
            } else if (!a->isSeparator() && a->property(kIdProp).toUInt() == nID) {
                return a;
            }
        }
    }
    return nullptr;
}

QAction* CMenu::FindAction(UINT nID, UINT nFlags) const
{
    if (!m_pMenu)
        return nullptr;
    if (nFlags & MF_BYPOSITION) {
        auto actions = m_pMenu->actions();
        if (nID >= UINT(actions.size()))
            return nullptr;
        QAction* a = actions[int(nID)];
        return a->menu() ? a->menu()->menuAction() : a;
    }
    return FindByCommand(nID);
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    QAction* a = FindAction(nIDEnableItem, nEnable);
    if (!a)
        return UINT(-1);
    UINT old = StateOf(a);
    SetState(a, (old & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED)));
    return old & (MF_GRAYED | MF_DISABLED);
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
    QAction* a = FindAction(nIDCheckItem, nCheck);
    if (!a)
        return UINT(-1);
    UINT old = a->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    a->setCheckable(true);
    a->setChecked((nCheck & MF_CHECKED) != 0);
    return old;
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const
{
    QAction* a = FindAction(nID, nFlags);
    if (!a)
        return UINT(-1);
    UINT state = StateOf(a) & (MF_GRAYED | MF_DISABLED);
    if (a->isSeparator())
        state |= MF_SEPARATOR;
    if (a->isChecked())
        state |= MF_CHECKED;
    if (a->menu())
        state |= MF_POPUP;
    return state;
}

BOOL CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    QAction* a = FindAction(nIDItem, nFlags);
    rString = a ? fx::detail::S(a->text()) : std::string();
    return a ? TRUE : FALSE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem)
{
    if (!m_pMenu)
        return FALSE;
    if (nFlags & MF_SEPARATOR) {
        AddSeparator(m_pMenu);
        return TRUE;
    }
    if (nFlags & MF_POPUP)
        return FALSE;  // popups come from templates only
    AddItem(m_pMenu, fx::detail::Q(lpszNewItem), UINT(nIDNewItem), nFlags, m_pOwner, m_bSystem);
    return TRUE;
}

// ---------------------------------------------------------------- system menu

CMenu* CWnd::GetSystemMenu(BOOL bRevert)
{
    QWidget* w = GetWidget();
    if (!w)
        return nullptr;
    if (bRevert || !m_pSysMenu) {
        if (m_pSysMenu)
            delete m_pSysMenu->GetQtMenu();
        auto* menu = new QMenu(w);
        m_pSysMenu = std::make_unique<CMenu>();
        m_pSysMenu->AttachQt(menu, this, true);
        m_pSysMenu->AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
        if (bRevert)
            return nullptr;
    }
    return m_pSysMenu.get();
}

void CWnd::ShowSystemMenu()
{
    CMenu* sys = GetSystemMenu(FALSE);
    if (!sys)
        return;
    auto* menu = static_cast<QMenu*>(sys->GetQtMenu());
    if (auto& handler = fx::detail::GetHooks().popupMenu) {
        std::vector<std::pair<UINT, std::string>> entries;
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() && a->isEnabled())
                entries.emplace_back(a->property(kIdProp).toUInt(), fx::detail::S(a->text()));
        }
        if (UINT id = handler(entries))
            SendMessage(WM_SYSCOMMAND, id, 0);
        return;
    }
    if (fx::detail::NoDisplay()) {
        fx::detail::WarnNoHandler("system menu", "");
        return;
    }
    QWidget* w = GetClientWidget() ? GetClientWidget() : GetWidget();
    menu->exec(w->mapToGlobal(QPoint(0, 0)));
}
