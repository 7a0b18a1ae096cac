// Message maps: a static table per class binding messages, commands and control
// notifications to member functions, chained to the base class's table.
//
//   // in the class:
//   DECLARE_MESSAGE_MAP()
//   // in the .cpp:
//   BEGIN_MESSAGE_MAP(CMainDialog, CDialog)
//     ON_BN_CLICKED(1004, &CMainDialog::OnBrowse)
//     ON_COMMAND(32773, &CMainDialog::OnBrowse)
//     ON_LBN_DBLCLK(1003, &CMainDialog::OnListDoubleClick)
//     ON_WM_TIMER()
//   END_MESSAGE_MAP()
//
// Each entry stores a small thunk that is generated from the member pointer, so
// a handler with the wrong signature does not compile.
#pragma once

#include <type_traits>

#include "fx/types.h"

class CCmdTarget;

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND, WM_TIMER, ...; 0 ends the table
    UINT nCode;     // notification code (WM_COMMAND) or 0
    UINT nID;       // control or command id (WM_COMMAND) or 0
    LRESULT (*pfn)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace fx::detail {

template <class T>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
};

template <auto Pmf>
typename MemberOf<decltype(Pmf)>::Class* Self(CCmdTarget* p)
{
    return static_cast<typename MemberOf<decltype(Pmf)>::Class*>(p);
}

// void OnX()
template <auto Pmf>
LRESULT ThunkVoid(CCmdTarget* p, WPARAM, LPARAM)
{
    static_assert(std::is_same_v<decltype((Self<Pmf>(p)->*Pmf)()), void>, "handler must return void");
    (Self<Pmf>(p)->*Pmf)();
    return 0;
}
// void OnTimer(UINT_PTR nIDEvent)
template <auto Pmf>
LRESULT ThunkTimer(CCmdTarget* p, WPARAM w, LPARAM)
{
    (Self<Pmf>(p)->*Pmf)(static_cast<UINT_PTR>(w));
    return 0;
}
// void OnSysCommand(UINT nID, LPARAM lParam)
template <auto Pmf>
LRESULT ThunkSysCommand(CCmdTarget* p, WPARAM w, LPARAM l)
{
    (Self<Pmf>(p)->*Pmf)(static_cast<UINT>(w), l);
    return 0;
}
// void OnSize(UINT nType, int cx, int cy)
template <auto Pmf>
LRESULT ThunkSize(CCmdTarget* p, WPARAM w, LPARAM l)
{
    (Self<Pmf>(p)->*Pmf)(static_cast<UINT>(w), int(LOWORD(std::uintptr_t(l))), int(HIWORD(std::uintptr_t(l))));
    return 0;
}
// int OnCreate(void* lpCreateStruct)
template <auto Pmf>
LRESULT ThunkCreate(CCmdTarget* p, WPARAM, LPARAM l)
{
    return (Self<Pmf>(p)->*Pmf)(reinterpret_cast<void*>(l));
}
// HCURSOR OnQueryDragIcon()
template <auto Pmf>
LRESULT ThunkQueryDragIcon(CCmdTarget* p, WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>((Self<Pmf>(p)->*Pmf)());
}
// void OnHScroll(UINT nSBCode, UINT nPos, void* pScrollBar)
template <auto Pmf>
LRESULT ThunkScroll(CCmdTarget* p, WPARAM w, LPARAM l)
{
    (Self<Pmf>(p)->*Pmf)(LOWORD(w), HIWORD(w), reinterpret_cast<void*>(l));
    return 0;
}
// LRESULT OnMessage(WPARAM, LPARAM)
template <auto Pmf>
LRESULT ThunkMessage(CCmdTarget* p, WPARAM w, LPARAM l)
{
    return (Self<Pmf>(p)->*Pmf)(w, l);
}

}  // namespace fx::detail

#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                      \
    const AFX_MSGMAP* GetMessageMap() const override;                                                                  \
                                                                                                                       \
public:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                                                  \
    {                                                                                                                  \
        return GetThisMessageMap();                                                                                    \
    }                                                                                                                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        using ThisClass = theClass;                                                                                    \
        using TheBaseClass = baseClass;                                                                                \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                              \
    {                                                                                                                  \
        0, 0, 0, nullptr                                                                                               \
    }                                                                                                                  \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};                      \
    (void)sizeof(ThisClass*);                                                                                          \
    return &messageMap;                                                                                                \
    }

// Commands (menu items, buttons) and control notifications.
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0u, UINT(id), &fx::detail::ThunkVoid<memberFxn>},
#define ON_CONTROL(code, id, memberFxn) {WM_COMMAND, UINT(code), UINT(id), &fx::detail::ThunkVoid<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)

// Window messages, each to the member of the conventional name and signature.
#define ON_WM_TIMER() {WM_TIMER, 0u, 0u, &fx::detail::ThunkTimer<&ThisClass::OnTimer>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0u, 0u, &fx::detail::ThunkSysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0u, 0u, &fx::detail::ThunkVoid<&ThisClass::OnPaint>},
#define ON_WM_CLOSE() {WM_CLOSE, 0u, 0u, &fx::detail::ThunkVoid<&ThisClass::OnClose>},
#define ON_WM_DESTROY() {WM_DESTROY, 0u, 0u, &fx::detail::ThunkVoid<&ThisClass::OnDestroy>},
#define ON_WM_SIZE() {WM_SIZE, 0u, 0u, &fx::detail::ThunkSize<&ThisClass::OnSize>},
#define ON_WM_CREATE() {WM_CREATE, 0u, 0u, &fx::detail::ThunkCreate<&ThisClass::OnCreate>},
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0u, 0u, &fx::detail::ThunkQueryDragIcon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_HSCROLL() {WM_HSCROLL, 0u, 0u, &fx::detail::ThunkScroll<&ThisClass::OnHScroll>},
#define ON_WM_VSCROLL() {WM_VSCROLL, 0u, 0u, &fx::detail::ThunkScroll<&ThisClass::OnVScroll>},
// User-defined messages: LRESULT OnFoo(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) {UINT(message), 0u, 0u, &fx::detail::ThunkMessage<memberFxn>},
