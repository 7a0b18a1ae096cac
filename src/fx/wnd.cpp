#include "fx/wnd.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimerEvent>
#include <QWindow>

#include "fx/app.h"
#include "fx/internal.h"

// ---------------------------------------------------------------- CCmdTarget

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CCmdTarget::DispatchMessageMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage != 0; ++e) {
            if (e->nMessage != message)
                continue;
            if (message == WM_COMMAND && (e->nCode != code || e->nID != id))
                continue;
            LRESULT r = e->pfn(this, wParam, lParam);
            if (result)
                *result = r;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- text of widgets

namespace fx::detail {

QString WidgetText(const QWidget* w)
{
    if (!w)
        return {};
    if (w->isWindow())
        return w->windowTitle();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->property("fxText").isValid() ? l->property("fxText").toString() : l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (auto* e = qobject_cast<const QPlainTextEdit*>(w))
        return e->toPlainText();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentIndex() >= 0 ? c->currentText() : QString();
    return w->property("fxText").toString();
}

void SetLabelText(QLabel* label, const QString& text);

void SetWidgetText(QWidget* w, const QString& text)
{
    if (!w)
        return;
    if (w->isWindow()) {
        w->setWindowTitle(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        SetLabelText(l, text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        e->setPlainText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) {
            c->setEditText(text);
        } else {
            c->setCurrentIndex(c->findText(text, Qt::MatchFixedString));
        }
    } else {
        w->setProperty("fxText", text);
    }
}

}  // namespace fx::detail

// ---------------------------------------------------------------- timers

namespace {

class TimerHost : public QObject {
public:
    explicit TimerHost(CWnd* owner, QObject* parent) : QObject(parent), m_owner(owner) { }
    std::map<int, UINT_PTR> ids;  // Qt timer id -> window timer id

protected:
    void timerEvent(QTimerEvent* e) override
    {
        auto it = ids.find(e->timerId());
        if (it != ids.end())
            m_owner->FireTimer(it->second);
    }

private:
    CWnd* m_owner;
};

}  // namespace

// ---------------------------------------------------------------- CWnd

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    if (m_pParent)
        m_pParent->UnbindChild(this);
    ClearChildren();
    if (m_bOwnsWidget)
        delete m_pWidget.data();
}

void CWnd::Attach(QWidget* widget, int nID, CWnd* pParent)
{
    m_pWidget = widget;
    m_nID = nID;
    m_pParent = pParent;
}

void CWnd::Detach()
{
    m_pWidget = nullptr;
    m_bOwnsWidget = false;
}

CWnd::Child* CWnd::FindChild(int nID) const
{
    for (auto& c : m_children) {
        if (c->id == nID && c->widget)
            return c.get();
    }
    return nullptr;
}

void CWnd::UnbindChild(CWnd* wnd)
{
    for (auto& c : m_children) {
        if (c->bound == wnd)
            c->bound = nullptr;
    }
}

void CWnd::RegisterChild(int nID, QWidget* widget, std::unique_ptr<CWnd> wrapper)
{
    auto child = std::make_unique<Child>();
    child->id = nID;
    child->widget = widget;
    wrapper->Attach(widget, nID, this);
    child->wrapper = std::move(wrapper);
    m_children.push_back(std::move(child));
}

void CWnd::ClearChildren()
{
    // Handles no longer point at this window or at widgets about to go.
    auto children = std::move(m_children);
    m_children.clear();
    for (auto& c : children) {
        if (c->bound) {
            c->bound->m_pWidget = nullptr;
            c->bound->m_pParent = nullptr;
        }
        if (c->wrapper)
            c->wrapper->m_pParent = nullptr;
    }
}

void CWnd::BindChild(int nID, CWnd& wnd)
{
    Child* c = FindChild(nID);
    if (!c)
        return;
    if (c->bound && c->bound != &wnd)
        c->bound->m_pParent = nullptr;
    wnd.Attach(c->widget, nID, this);
    c->bound = &wnd;
}

QWidget* CWnd::GetChildWidget(int nID) const
{
    Child* c = FindChild(nID);
    return c ? c->widget.data() : nullptr;
}

std::vector<QWidget*> CWnd::ChildWidgets() const
{
    std::vector<QWidget*> out;
    for (auto& c : m_children) {
        if (c->widget)
            out.push_back(c->widget);
    }
    return out;
}

CWnd* CWnd::WndOfChild(QWidget* widget) const
{
    for (auto& c : m_children) {
        if (c->widget == widget)
            return c->bound ? c->bound : c->wrapper.get();
    }
    return nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    Child* c = FindChild(nID);
    if (!c)
        return nullptr;
    return c->bound ? c->bound : c->wrapper.get();
}

CWnd* CWnd::GetParent() const
{
    return m_pParent;
}

void CWnd::SetDlgItemText(int nID, const char* text)
{
    if (CWnd* w = GetDlgItem(nID))
        w->SetWindowText(text);
}

int CWnd::GetDlgItemText(int nID, CString& text) const
{
    text.Empty();
    if (CWnd* w = GetDlgItem(nID))
        w->GetWindowText(text);
    return text.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT value, BOOL bSigned)
{
    std::string s = bSigned ? std::to_string(int(value)) : std::to_string(value);
    SetDlgItemText(nID, s.c_str());
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    CString text;
    GetDlgItemText(nID, text);
    text.Trim();
    bool ok = false;
    UINT value = 0;
    if (bSigned) {
        int v = fx::detail::Q(text).toInt(&ok);
        value = UINT(v);
    } else {
        value = fx::detail::Q(text).toUInt(&ok);
    }
    if (lpTrans)
        *lpTrans = ok ? TRUE : FALSE;
    return ok ? value : 0;
}

void CWnd::CheckDlgButton(int nID, UINT nCheck)
{
    if (auto* b = qobject_cast<QAbstractButton*>(GetChildWidget(nID)))
        b->setChecked(nCheck == BST_CHECKED);
}

UINT CWnd::IsDlgButtonChecked(int nID) const
{
    auto* b = qobject_cast<QAbstractButton*>(GetChildWidget(nID));
    return b && b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

namespace fx::detail {
void SetRadioChecked(QAbstractButton* radio, bool checked);
}

void CWnd::CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck)
{
    for (auto& c : m_children) {
        if (c->id < nIDFirst || c->id > nIDLast)
            continue;
        if (auto* b = qobject_cast<QAbstractButton*>(c->widget.data()))
            fx::detail::SetRadioChecked(b, c->id == nIDCheck);
    }
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    QWidget* w = GetWidget();
    if (!w)
        return FALSE;
    BOOL wasVisible = w->isHidden() ? FALSE : TRUE;
    switch (nCmdShow) {
    case SW_HIDE:
        w->hide();
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        if (w->isWindow())
            w->showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        if (w->isWindow())
            w->showMaximized();
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        if (w->isWindow()) {
            w->showNormal();
        } else {
            w->show();
        }
        break;
    default:
        w->show();
        break;
    }
    return wasVisible;
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    QWidget* w = GetWidget();
    if (!w)
        return FALSE;
    BOOL wasDisabled = w->testAttribute(Qt::WA_Disabled) ? TRUE : FALSE;
    w->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowVisible() const
{
    QWidget* w = GetWidget();
    return w && w->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::IsWindowEnabled() const
{
    QWidget* w = GetWidget();
    return w && !w->testAttribute(Qt::WA_Disabled) ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const
{
    QWidget* w = GetWidget();
    return w && w->isWindow() && w->isMinimized() ? TRUE : FALSE;
}

void CWnd::SetWindowText(const char* text)
{
    fx::detail::SetWidgetText(GetWidget(), fx::detail::Q(text));
}

void CWnd::GetWindowText(CString& text) const
{
    text = fx::detail::S(fx::detail::WidgetText(GetWidget()));
}

int CWnd::GetWindowTextLength() const
{
    CString text;
    GetWindowText(text);
    return text.GetLength();
}

bool CWnd::HasFocus() const
{
    QWidget* w = GetWidget();
    return w && w->window()->focusWidget() == w;
}

void CWnd::SetAccessibleName(const char* name)
{
    if (QWidget* w = GetWidget())
        w->setAccessibleName(QString::fromUtf8(name ? name : ""));
}

void CWnd::Announce(const char* text)
{
    QWidget* w = GetWidget();
    if (!w)
        return;
    w->setAccessibleDescription(QString());
    w->setAccessibleDescription(QString::fromUtf8(text ? text : ""));
}

CWnd* CWnd::SetFocus()
{
    QWidget* w = GetWidget();
    QWidget* old = QApplication::focusWidget();
    if (w)
        w->setFocus(Qt::OtherFocusReason);
    if (old && m_pParent)
        return m_pParent->WndOfChild(old);
    return nullptr;
}

CWnd* CWnd::SetActiveWindow()
{
    QWidget* w = GetWidget();
    if (w)
        w->window()->activateWindow();
    return nullptr;
}

void CWnd::SetRedraw(BOOL bRedraw)
{
    if (QWidget* w = GetWidget())
        w->setUpdatesEnabled(bRedraw != FALSE);
}

void CWnd::Invalidate(BOOL)
{
    if (QWidget* w = GetWidget())
        w->update();
}

void CWnd::UpdateWindow()
{
    if (QWidget* w = GetWidget())
        w->repaint();
}

void CWnd::GetClientRect(CRect* rect) const
{
    if (!rect)
        return;
    QWidget* w = GetClientWidget();
    *rect = w ? CRect(0, 0, w->width(), w->height()) : CRect();
}

void CWnd::GetWindowRect(CRect* rect) const
{
    if (!rect)
        return;
    QWidget* w = GetWidget();
    if (!w) {
        *rect = CRect();
        return;
    }
    QRect r = w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    *rect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void CWnd::MoveWindow(int x, int y, int cx, int cy, BOOL)
{
    if (QWidget* w = GetWidget())
        w->setGeometry(x, y, cx, cy);
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const
{
    QWidget* w = GetWidget();
    if (!placement || !w || !w->isWindow())
        return FALSE;
    const bool maximized = w->windowState() & Qt::WindowMaximized;
    const QRect r = maximized ? w->normalGeometry() : w->geometry();
    placement->showCmd = maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement->rcNormalPosition = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    return TRUE;
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* placement)
{
    QWidget* w = GetWidget();
    if (!placement || !w || !w->isWindow())
        return FALSE;
    const CRect& rc = placement->rcNormalPosition;
    const QRect wanted(rc.left, rc.top, rc.Width(), rc.Height());
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return FALSE;
    // The frame (title bar, borders) must fit too, where the window system tells it.
    w->winId();
    const QMargins frame = w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
    w->setGeometry(
        fx::detail::FitOnScreen(wanted, screen->availableGeometry().marginsRemoved(frame), w->minimumSize()));
    if (placement->showCmd == SW_SHOWMAXIMIZED) {
        w->setWindowState(w->windowState() | Qt::WindowMaximized);
    } else {
        w->setWindowState(w->windowState() & ~Qt::WindowMaximized);
    }
    return TRUE;
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    QWidget* w = GetWidget();
    if (!w || !w->isWindow())
        return;
    w->adjustSize();
    QWidget* owner = pAlternateOwner ? pAlternateOwner->GetWidget() : w->parentWidget();
    QRect area;
    if (owner && owner->isVisible()) {
        area = owner->window()->frameGeometry();
    } else if (QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isEmpty())
        return;
    QSize size = w->frameGeometry().size();
    QPoint pos = area.topLeft() + QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
    // A window as large as the screen (large scale factors) starts at its corner, not off it.
    if (!(owner && owner->isVisible()))
        pos = QPoint(std::max(pos.x(), area.left()), std::max(pos.y(), area.top()));
    w->move(pos);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    HICON& slot = bBigIcon ? m_hIconBig : m_hIconSmall;
    HICON old = slot;
    slot = hIcon;
    QWidget* w = GetWidget();
    if (w && w->isWindow() && hIcon && (bBigIcon || !m_hIconBig))
        w->setWindowIcon(*hIcon);
    return old;
}

BOOL CWnd::DestroyWindow()
{
    QWidget* w = GetWidget();
    if (!w)
        return FALSE;
    SendMessage(WM_DESTROY);
    for (auto& [id, qtId] : m_timers) {
        (void)id;
        if (m_pTimerHost)
            m_pTimerHost->killTimer(qtId);
    }
    m_timers.clear();
    // Nothing the widgets do while they are torn down reaches a handler.
    for (QWidget* child : w->findChildren<QWidget*>())
        child->blockSignals(true);
    for (QObject* filter : w->findChildren<QObject*>(QStringLiteral("fxFocusNotifier")))
        delete filter;
    ClearChildren();
    m_pMenu.reset();
    m_pSysMenu.reset();
    QWidget* owned = m_bOwnsWidget ? w : nullptr;
    m_bOwnsWidget = false;
    m_pWidget = nullptr;
    delete owned;
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        UINT id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        if (DispatchMessageMap(WM_COMMAND, code, id, wParam, lParam, &result))
            return result;
        if (code == 0) {
            if (CWinApp* app = AfxGetApp(); app && app->DispatchMessageMap(WM_COMMAND, 0, id, wParam, lParam, &result))
                return result;
        }
        return DefWindowProc(message, wParam, lParam);
    }
    if (DispatchMessageMap(message, 0, 0, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The window is reached through a guarded pointer to its widget: a message that
    // arrives after the window was destroyed is dropped.
    QPointer<QWidget> target = m_pWidget;
    if (!target)
        return FALSE;
    CWnd* self = this;
    fx::PostToUi([target, self, message, wParam, lParam] {
        if (target && self->GetWidget() == target.data())
            self->SendMessage(message, wParam, lParam);
    });
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_SYSCOMMAND) {
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(WM_CLOSE);
            break;
        case SC_MINIMIZE:
            if (QWidget* w = GetWidget(); w && w->isWindow())
                w->showMinimized();
            break;
        case SC_RESTORE:
            if (QWidget* w = GetWidget(); w && w->isWindow())
                w->showNormal();
            break;
        default:
            break;
        }
    }
    return 0;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*)
{
    QWidget* w = GetWidget();
    if (!w || nIDEvent == 0)
        return 0;
    if (!m_pTimerHost)
        m_pTimerHost = new TimerHost(this, w);
    auto* host = static_cast<TimerHost*>(m_pTimerHost.data());
    if (auto it = m_timers.find(nIDEvent); it != m_timers.end()) {
        host->killTimer(it->second);
        host->ids.erase(it->second);
        m_timers.erase(it);
    }
    int qtId = host->startTimer(int(std::max<UINT>(nElapse, 1)));
    if (qtId == 0)
        return 0;
    m_timers[nIDEvent] = qtId;
    host->ids[qtId] = nIDEvent;
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    auto it = m_timers.find(nIDEvent);
    if (it == m_timers.end())
        return FALSE;
    if (auto* host = static_cast<TimerHost*>(m_pTimerHost.data())) {
        host->killTimer(it->second);
        host->ids.erase(it->second);
    }
    m_timers.erase(it);
    return TRUE;
}

void CWnd::FireTimer(UINT_PTR nIDEvent)
{
    SendMessage(WM_TIMER, nIDEvent, 0);
}

CMenu* CWnd::GetMenu() const
{
    return m_pMenu.get();
}

void CWnd::SetMenuBar(QMenuBar* bar)
{
    m_pMenuBar = bar;
    m_pMenu = std::make_unique<CMenu>();
    m_pMenu->AttachQt(bar, this, false);
}

int CWnd::MessageBox(const char* lpszText, const char* lpszCaption, UINT nType)
{
    return fx::ShowMessageBox(GetWidget() ? GetWidget()->window() : nullptr, lpszText, lpszCaption, nType);
}

void CWnd::WinHelp(DWORD_PTR, UINT nCmd)
{
    if (nCmd == HELP_QUIT)
        return;
    fx::detail::LaunchHelp(GetWidget() ? GetWidget()->window() : nullptr);
}

void CWnd::OnTimer(UINT_PTR) { }
void CWnd::OnSysCommand(UINT nID, LPARAM lParam)
{
    DefWindowProc(WM_SYSCOMMAND, nID, lParam);
}
void CWnd::OnPaint() { }
void CWnd::OnClose()
{
    DefWindowProc(WM_CLOSE, 0, 0);
}
void CWnd::OnDestroy() { }
void CWnd::OnSize(UINT, int, int) { }
int CWnd::OnCreate(void*)
{
    return 0;
}
HCURSOR CWnd::OnQueryDragIcon()
{
    return m_hIconBig;
}
void CWnd::OnHScroll(UINT, UINT, void*) { }
void CWnd::OnVScroll(UINT, UINT, void*) { }

// ---------------------------------------------------------------- painting

BOOL CDC::DrawIcon(int x, int y, HICON hIcon)
{
    if (!m_pPainter || !hIcon)
        return FALSE;
    int size = GetSystemMetrics(SM_CXICON);
    hIcon->paint(m_pPainter, QRect(x, y, size, size));
    return TRUE;
}

BOOL CDC::TextOut(int x, int y, const char* text)
{
    if (!m_pPainter)
        return FALSE;
    m_pPainter->drawText(QPoint(x, y + m_pPainter->fontMetrics().ascent()), fx::detail::Q(text));
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd)
{
    // Inside OnPaint the window's painter is current; elsewhere nothing can be drawn.
    if (pWnd)
        m_pPainter = pWnd->CurrentPainter();
}

CPaintDC::~CPaintDC() = default;
