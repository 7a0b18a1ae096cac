// CCmdTarget, CWnd and CMenu: windows, message dispatch and menus.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "fx/cstring.h"
#include "fx/msgmap.h"
#include "fx/types.h"

class QMenu;
class QMenuBar;
class QAction;
class CWnd;
class CDialog;

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) { }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Where a top-level window stands when it is not maximised, and whether it is.
struct WINDOWPLACEMENT {
    UINT showCmd = SW_SHOWNORMAL;  // SW_SHOWNORMAL or SW_SHOWMAXIMIZED
    CRect rcNormalPosition;        // screen pixels, the frame left out
};

// Anything that has a message map.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Finds the entry for (message, code, id) in this class's map chain and calls it.
    // Returns true when a handler ran; *result receives its return value.
    bool DispatchMessageMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// A menu bar or popup menu. Handles from GetMenu / GetSubMenu / GetSystemMenu are
// owned by their window and stay valid while it exists.
class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    ~CMenu();

    // Popup menu at `pos` of this menu, nullptr when that item is no popup.
    CMenu* GetSubMenu(int pos);
    int GetMenuItemCount() const;
    UINT GetMenuItemID(int pos) const;  // 0 for separators, -1 for popups
    // nFlags: MF_BYCOMMAND / MF_BYPOSITION with MF_ENABLED, MF_GRAYED or MF_DISABLED.
    // Returns the previous state (MF_GRAYED / MF_DISABLED bits) or -1 (as UINT) if absent.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP bits; -1 (as UINT) if absent.
    UINT GetMenuState(UINT nID, UINT nFlags) const;
    BOOL GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    // MF_STRING or MF_SEPARATOR, optionally MF_GRAYED / MF_CHECKED.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);

    // Framework side.
    QWidget* GetQtMenu() const { return m_pMenu; }
    void AttachQt(QWidget* menu, CWnd* owner, bool system);

private:
    QAction* FindAction(UINT nID, UINT nFlags) const;
    QAction* FindByCommand(UINT nID) const;
    QPointer<QWidget> m_pMenu;  // QMenuBar or QMenu
    CWnd* m_pOwner = nullptr;
    bool m_bSystem = false;
    std::map<QMenu*, std::unique_ptr<CMenu>> m_subMenus;
};

// Painting context of an OnPaint handler. Valid only while the window paints.
class CDC {
public:
    HDC GetSafeHdc() const { return m_pPainter; }
    BOOL DrawIcon(int x, int y, HICON hIcon);
    BOOL TextOut(int x, int y, const char* text);

protected:
    QPainter* m_pPainter = nullptr;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

private:
    bool m_bOwnPainter = false;
};

// A window: a dialog or a control. Wraps a Qt widget that it may or may not own.
class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    // The Qt widget behind this window (nullptr before creation or after destruction).
    HWND GetSafeHwnd() const { return m_pWidget.data(); }
    QWidget* GetWidget() const { return m_pWidget.data(); }
    operator HWND() const { return m_pWidget.data(); }

    // Dialog items.
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const { return m_nID; }
    CWnd* GetParent() const;
    void SetDlgItemText(int nID, const char* text);
    int GetDlgItemText(int nID, CString& text) const;
    void SetDlgItemInt(int nID, UINT value, BOOL bSigned = TRUE);
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
    void CheckDlgButton(int nID, UINT nCheck);
    UINT IsDlgButtonChecked(int nID) const;
    void CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck);

    // State and text.
    BOOL ShowWindow(int nCmdShow);           // returns whether it was visible before
    BOOL EnableWindow(BOOL bEnable = TRUE);  // returns whether it was disabled before
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL IsIconic() const;
    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    CWnd* SetFocus();
    // Whether this control is the one its window gives the keyboard to.
    bool HasFocus() const;
    CWnd* SetActiveWindow();
    // What assistive technology calls the control, where no label names it.
    void SetAccessibleName(const char* name);
    // Tells a screen reader `text` as news about this control (a change of its
    // accessible description, made even when the text is the same as before).
    void Announce(const char* text);
    void SetRedraw(BOOL bRedraw = TRUE);
    void Invalidate(BOOL bErase = TRUE);
    void UpdateWindow();
    void GetClientRect(CRect* rect) const;
    void GetWindowRect(CRect* rect) const;
    void MoveWindow(int x, int y, int cx, int cy, BOOL bRepaint = TRUE);
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    // Top-level windows only. Setting pulls the rectangle, frame included, onto the
    // screen that holds its centre (else the window's own): no wider or taller than its
    // free area, and no smaller than the window's minimum size where the screen allows.
    BOOL GetWindowPlacement(WINDOWPLACEMENT* placement) const;
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* placement);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL DestroyWindow();

    // Messages. SendMessage dispatches at once through the message map (WM_COMMAND
    // with MAKEWPARAM(id, code), WM_TIMER, WM_SYSCOMMAND, WM_CLOSE, user messages);
    // PostMessage queues it to the window thread, from any thread, and drops it if
    // the window is gone by then.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Handling of messages no map entry took.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Timers: WM_TIMER with nIDEvent every nElapse ms. SetTimer returns nIDEvent, 0 on failure.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);
    bool HasTimer(UINT_PTR nIDEvent) const { return m_timers.count(nIDEvent) != 0; }

    // Menus.
    CMenu* GetMenu() const;
    CMenu* GetSystemMenu(BOOL bRevert);
    void DrawMenuBar() { }

    // A message box owned by this window; caption nullptr = the application name.
    int MessageBox(const char* lpszText, const char* lpszCaption = nullptr, UINT nType = MB_OK);
    // Opens the application's help file. HELP_CONTENTS / HELP_FINDER / HELP_CONTEXT.
    void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);

    // Default message handlers; a derived class maps its own with ON_WM_xxx().
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg int OnCreate(void* lpCreateStruct);
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, void* pScrollBar);
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, void* pScrollBar);

    // Framework side: binding to widgets.
    void Attach(QWidget* widget, int nID, CWnd* pParent);
    void Detach();
    // The window that receives this window's notifications and commands.
    CWnd* GetOwnerWnd() const { return m_pParent; }
    // Widget that holds the child controls (the client area).
    virtual QWidget* GetClientWidget() const { return m_pWidget.data(); }
    // Registers a child control created from a template; GetDlgItem finds it.
    void RegisterChild(int nID, QWidget* widget, std::unique_ptr<CWnd> wrapper);
    void ClearChildren();
    // True while the client widget paints (CPaintDC may draw).
    QPainter* CurrentPainter() const { return m_pPainter; }
    void SetCurrentPainter(QPainter* p) { m_pPainter = p; }
    void SetMenuBar(QMenuBar* bar);
    // Called for a timer tick and by Alt+Space.
    void FireTimer(UINT_PTR nIDEvent);
    void ShowSystemMenu();
    // Makes `wnd` the handle of child nID (data exchange of DDX_Control).
    void BindChild(int nID, CWnd& wnd);
    QWidget* GetChildWidget(int nID) const;

protected:
    DECLARE_MESSAGE_MAP()

protected:
    QPointer<QWidget> m_pWidget;
    int m_nID = 0;
    CWnd* m_pParent = nullptr;

private:
    struct Child {
        int id = 0;
        QPointer<QWidget> widget;
        std::unique_ptr<CWnd> wrapper;  // framework-made handle
        CWnd* bound = nullptr;          // member control bound by DDX_Control
    };
    Child* FindChild(int nID) const;
    void UnbindChild(CWnd* wnd);
    std::vector<std::unique_ptr<Child>> m_children;  // in template order
    std::map<UINT_PTR, int> m_timers;                // id -> Qt timer id
    std::unique_ptr<CMenu> m_pMenu;
    std::unique_ptr<CMenu> m_pSysMenu;
    QPointer<QMenuBar> m_pMenuBar;
    QPointer<QObject> m_pTimerHost;
    QPainter* m_pPainter = nullptr;
    HICON m_hIconBig = nullptr;
    HICON m_hIconSmall = nullptr;

protected:
    bool m_bOwnsWidget = false;  // DestroyWindow deletes the widget

public:
    // Child controls in template order (for radio groups and tab order).
    std::vector<QWidget*> ChildWidgets() const;
    CWnd* WndOfChild(QWidget* widget) const;

private:
    friend class CMenu;
};
