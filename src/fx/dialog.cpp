#include "fx/dialog.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "fx/app.h"
#include "fx/internal.h"

namespace fx::detail {

// Client area: holds the controls and paints through WM_PAINT. In a resizable dialog
// it is laid out at its template size and moves the controls that grow with it.
class FxClient : public QWidget {
public:
    FxClient(CWnd* owner, QWidget* parent) : QWidget(parent), m_owner(owner) { }
    void SetTemplateSize(QSize size) { m_templateSize = size; }
    // `w` grows by what the client grows beyond its template size (ControlSizing bits).
    void AddGrowing(QWidget* w, DWORD sizing) { m_growing.push_back({w, w->geometry(), sizing}); }
    QSize sizeHint() const override { return m_templateSize.isValid() ? m_templateSize : QWidget::sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_owner->SetCurrentPainter(&painter);
        m_owner->SendMessage(WM_PAINT);
        m_owner->SetCurrentPainter(nullptr);
    }
    void resizeEvent(QResizeEvent* e) override
    {
        QWidget::resizeEvent(e);
        if (!m_templateSize.isValid())
            return;
        const int dx = width() - m_templateSize.width();
        const int dy = height() - m_templateSize.height();
        for (const Growing& g : m_growing) {
            if (!g.widget)
                continue;
            QRect r = g.base;
            if (g.sizing & fx::SZ_GROW_X)
                r.setWidth(std::max(g.base.width() + dx, kSmallest));
            if (g.sizing & fx::SZ_GROW_Y)
                r.setHeight(std::max(g.base.height() + dy, kSmallest));
            g.widget->setGeometry(r);
        }
    }

private:
    struct Growing {
        QPointer<QWidget> widget;
        QRect base;  // at the template size
        DWORD sizing;
    };
    // A growing control never shrinks below this, whatever the window is cut to.
    static constexpr int kSmallest = 16;
    CWnd* m_owner;
    QSize m_templateSize;
    std::vector<Growing> m_growing;
};

// Top-level dialog window: keys, close box and the modal loop's end.
class FxDialog : public QDialog {
public:
    FxDialog(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) { }
    void Finish(int result) { QDialog::done(result); }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        int key = e->key();
        auto mods = e->modifiers() & ~Qt::KeypadModifier;
        if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
            m_owner->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
            m_owner->OnEnterKey();
        } else {
            QWidget::keyPressEvent(e);
            return;
        }
        e->accept();
    }
    // The close box asks the dialog (WM_SYSCOMMAND SC_CLOSE); only EndDialog closes it.
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        m_owner->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void reject() override { m_owner->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }
    void accept() override { m_owner->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
    void done(int) override { }

private:
    CDialog* m_owner;
};

namespace {

ControlKind KindOf(const QWidget* w)
{
    return ControlKind(w->property(kKindProperty).toInt());
}
DWORD StyleOf(const QWidget* w)
{
    return w->property(kStyleProperty).toUInt();
}

// Radio buttons between two CS_GROUP controls are one exclusive group.
void MakeRadioGroups(CWnd& owner, QWidget* client)
{
    QButtonGroup* group = nullptr;
    for (QWidget* w : owner.ChildWidgets()) {
        if (StyleOf(w) & CS_GROUP)
            group = nullptr;
        if (KindOf(w) != ControlKind::RadioButton)
            continue;
        if (!group)
            group = new QButtonGroup(client);
        group->addButton(static_cast<QAbstractButton*>(w));
    }
}

// A static's mnemonic that names no control where it stands moves the focus to the next
// control that takes focus.
void SetLabelBuddies(CWnd& owner)
{
    auto widgets = owner.ChildWidgets();
    for (size_t i = 0; i < widgets.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(widgets[i]);
        if (!label || (StyleOf(label) & CS_NOPREFIX) || label->buddy())
            continue;
        QString text = label->property("fxText").toString();
        if (!text.contains(QLatin1Char('&')))
            continue;
        for (size_t j = i + 1; j < widgets.size(); ++j) {
            if (widgets[j]->focusPolicy() != Qt::NoFocus) {
                label->setBuddy(widgets[j]);
                break;
            }
        }
        SetLabelText(label, text);
    }
}

void LowerFrames(CWnd& owner)
{
    for (QWidget* w : owner.ChildWidgets()) {
        ControlKind k = KindOf(w);
        if (k == ControlKind::GroupBox || k == ControlKind::EtchedFrame)
            w->lower();
    }
}

Qt::WindowFlags DialogFlags(DWORD style)
{
    Qt::WindowFlags flags = ((style & fx::DS_APPWINDOW) ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint;
    if (style & DS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (style & DS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & DS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (style & DS_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

QWidget* OwnerWidget(CWnd* parent, CWnd* self)
{
    if (parent && parent->GetWidget())
        return parent->GetWidget()->window();
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd != self && app->m_pMainWnd->GetWidget())
        return app->m_pMainWnd->GetWidget()->window();
    return nullptr;
}

// The template size (with the menu bar) is the first and the smallest size, cut to
// the screen's free area where the screen is smaller (large scale factors).
void SetResizable(QWidget* window)
{
    QSize minimum = window->sizeHint();
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        minimum = minimum.boundedTo(screen->availableGeometry().size());
    window->setMinimumSize(minimum);
    window->resize(minimum);
}

struct ExchangeFailure { };

}  // namespace
}  // namespace fx::detail

using namespace fx::detail;

// ---------------------------------------------------------------- data exchange

QWidget* CDataExchange::PrepareCtrl(int nIDC)
{
    m_idLastControl = nIDC;
    return m_pDlgWnd ? m_pDlgWnd->GetChildWidget(nIDC) : nullptr;
}

void CDataExchange::Fail()
{
    if (m_pDlgWnd) {
        if (QWidget* w = m_pDlgWnd->GetChildWidget(m_idLastControl))
            w->setFocus(Qt::OtherFocusReason);
    }
    throw ExchangeFailure{};
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    QWidget* w = pDX->PrepareCtrl(nIDC);
    if (!w) {
        std::fprintf(stderr, "fx: DDX_Control: dialog has no control %d\n", nIDC);
        return;
    }
    if (rControl.GetWidget() != w)
        pDX->m_pDlgWnd->BindChild(nIDC, rControl);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        pDX->m_pDlgWnd->GetDlgItemText(nIDC, value);
    } else {
        pDX->m_pDlgWnd->SetDlgItemText(nIDC, value.c_str());
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value)
{
    CString s(value);
    DDX_Text(pDX, nIDC, s);
    value = std::move(s);
}

namespace {

// Whole text (blanks around allowed) as a number in [lo, hi].
bool ParseInteger(const CString& text, long long lo, long long hi, long long& out)
{
    CString t(text);
    t.Trim();
    if (t.IsEmpty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0' || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

void ExchangeInteger(CDataExchange* pDX, int nIDC, long long& value, long long lo, long long hi, bool isUnsigned)
{
    pDX->PrepareCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        pDX->m_pDlgWnd->SetDlgItemText(nIDC, std::to_string(value).c_str());
        return;
    }
    CString text;
    pDX->m_pDlgWnd->GetDlgItemText(nIDC, text);
    bool negative = isUnsigned && text.Find('-') >= 0;
    long long v = 0;
    if (negative || !ParseInteger(text, lo, hi, v)) {
        std::string msg = isUnsigned ? FrameworkString(AFX_IDP_PARSE_UINT, "Please enter a positive integer.")
                                     : FrameworkString(AFX_IDP_PARSE_INT, "Please enter an integer.");
        pDX->m_pDlgWnd->MessageBox(msg.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = v;
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    long long v = value;
    ExchangeInteger(pDX, nIDC, v, INT_MIN, INT_MAX, false);
    value = int(v);
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value)
{
    long long v = value;
    ExchangeInteger(pDX, nIDC, v, LONG_MIN, LONG_MAX, false);
    value = long(v);
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    long long v = value;
    ExchangeInteger(pDX, nIDC, v, 0, UINT_MAX, true);
    value = UINT(v);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    auto* button = qobject_cast<QAbstractButton*>(pDX->PrepareCtrl(nIDC));
    if (!button)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    } else {
        button->setChecked(value != 0);
    }
}

namespace {

// The radio buttons of the group that starts at control nIDC, in template order.
std::vector<QAbstractButton*> RadioGroup(CWnd* dlg, int nIDC)
{
    std::vector<QAbstractButton*> out;
    QWidget* first = dlg->GetChildWidget(nIDC);
    bool inGroup = false;
    for (QWidget* w : dlg->ChildWidgets()) {
        if (!inGroup) {
            if (w != first)
                continue;
            inGroup = true;
        } else if (StyleOf(w) & fx::CS_GROUP) {
            break;
        }
        if (KindOf(w) == fx::ControlKind::RadioButton)
            out.push_back(static_cast<QAbstractButton*>(w));
    }
    return out;
}

}  // namespace

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    pDX->PrepareCtrl(nIDC);
    auto radios = RadioGroup(pDX->m_pDlgWnd, nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (size_t i = 0; i < radios.size(); ++i) {
            if (radios[i]->isChecked()) {
                value = int(i);
                break;
            }
        }
        return;
    }
    for (size_t i = 0; i < radios.size(); ++i)
        SetRadioChecked(radios[i], int(i) == value);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    auto* combo = qobject_cast<QComboBox*>(pDX->PrepareCtrl(nIDC));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate) {
        index = combo->currentIndex();
    } else {
        QSignalBlocker block(combo);
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    }
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    auto* combo = qobject_cast<QComboBox*>(pDX->PrepareCtrl(nIDC));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = combo->currentIndex() >= 0 || combo->isEditable() ? S(combo->currentText()) : std::string();
    } else {
        QSignalBlocker block(combo);
        if (combo->isEditable()) {
            combo->setEditText(Q(value));
        } else {
            int i = -1;
            for (int k = 0; k < combo->count(); ++k) {
                if (combo->itemText(k).startsWith(Q(value), Qt::CaseInsensitive)) {
                    i = k;
                    break;
                }
            }
            if (i >= 0)
                combo->setCurrentIndex(i);
        }
    }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    pDX->PrepareCtrl(nIDC);
    auto* list = static_cast<CListBox*>(pDX->m_pDlgWnd->GetDlgItem(nIDC));
    if (!list || !list->View())
        return;
    if (pDX->m_bSaveAndValidate) {
        index = list->GetCurSel();
    } else {
        list->SetCurSel(index);
    }
}

// ---------------------------------------------------------------- CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) { }

CDialog::~CDialog()
{
    DestroyWindow();
}

QWidget* CDialog::GetClientWidget() const
{
    return m_pClient ? m_pClient.data() : GetWidget();
}

bool CDialog::CreateFromTemplate(QWidget* parentWidget)
{
    if (GetWidget())
        return false;
    const fx::DialogTemplate* t = fx::FindDialogTemplate(m_nIDTemplate);
    if (!t) {
        std::fprintf(stderr, "fx: no dialog template %u\n", m_nIDTemplate);
        return false;
    }
    fx::EnsureApplication();
    QFont font = fx::DialogFont(t->fontFace, t->pointSize);
    BaseUnits bu = BaseUnitsOf(font);
    QSize size(DluToPxX(bu, t->cx), DluToPxY(bu, t->cy));
    m_bEnded = false;
    m_nModalResult = -1;
    FxClient* client = nullptr;
    if (parentWidget || (t->style & fx::DS_CHILD)) {
        client = new FxClient(this, parentWidget);
        client->setFont(font);
        client->setFixedSize(size);
        client->setWindowTitle(Q(t->caption));
        Attach(client, m_nID, m_pParentWnd);
    } else {
        auto* dlg = new FxDialog(this, OwnerWidget(m_pParentWnd, this));
        dlg->setWindowFlags(DialogFlags(t->style));
        dlg->setWindowTitle(Q(t->caption));
        dlg->setFont(font);
        if (t->style & fx::DS_SYSMENU)
            SetSystemMenuOwner(dlg, this);
        auto* layout = new QVBoxLayout(dlg);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        client = new FxClient(this, dlg);
        if (t->style & fx::DS_THICKFRAME) {
            client->SetTemplateSize(size);
            client->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        } else {
            layout->setSizeConstraint(QLayout::SetFixedSize);
            client->setFixedSize(size);
        }
        layout->addWidget(client);
        Attach(dlg, m_nID, m_pParentWnd);
        if (t->menuId) {
            if (const fx::MenuTemplate* mt = fx::FindMenuTemplate(t->menuId)) {
                auto* bar = new QMenuBar(dlg);
                bar->setNativeMenuBar(false);
                FillMenu(bar, mt->items, this);
                layout->setMenuBar(bar);
                SetMenuBar(bar);
            }
        }
    }
    m_bOwnsWidget = true;
    m_pClient = client;
    if (SendMessage(WM_CREATE) == -1) {
        DestroyWindow();
        return false;
    }
    for (const fx::ControlTemplate& ct : t->controls) {
        QWidget* w = CreateControl(*this, client, ct, bu);
        if (w && ct.sizing != fx::SZ_FIXED && (t->style & fx::DS_THICKFRAME))
            client->AddGrowing(w, ct.sizing);
    }
    if (!parentWidget && (t->style & fx::DS_THICKFRAME))
        SetResizable(GetWidget());
    MakeRadioGroups(*this, client);
    LinkLabels(*this, bu);
    SetLabelBuddies(*this);
    NameLoneList(*this);
    DescribeGroups(*this);
    OrderTabs(*this);
    LowerFrames(*this);
    if (!parentWidget && (t->style & fx::DS_CENTER))
        CenterWindow();
    return true;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    if (nIDTemplate)
        m_nIDTemplate = nIDTemplate;
    if (pParentWnd)
        m_pParentWnd = pParentWnd;
    if (!CreateFromTemplate(nullptr))
        return FALSE;
    if (OnInitDialog())
        FocusFirstControl();
    if (GetWidget() && !m_bEnded)
        GetWidget()->show();
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    if (!CreateFromTemplate(nullptr))
        return -1;
    auto* dlg = static_cast<FxDialog*>(GetWidget());
    if (OnInitDialog())
        FocusFirstControl();
    if (!m_bEnded) {
        if (auto handler = GetHooks().modal) {
            // Shown but not modal: the test drives it and ends it; no event loop runs.
            dlg->show();
            handler(*this);
        } else if (NoDisplay()) {
            WarnNoHandler("modal dialog", GetWidget() ? S(GetWidget()->windowTitle()) : std::string());
            EndDialog(IDCANCEL);
        } else if (IsAppWindow()) {
            RunUntilEnded(dlg);
        } else {
            m_bInModalLoop = true;
            dlg->setWindowModality(Qt::ApplicationModal);
            dlg->QDialog::exec();
            m_bInModalLoop = false;
        }
    }
    int result = m_bEnded ? m_nModalResult : -1;
    DestroyWindow();
    return result;
}

bool CDialog::IsAppWindow() const
{
    const fx::DialogTemplate* t = fx::FindDialogTemplate(m_nIDTemplate);
    return t && (t->style & fx::DS_APPWINDOW);
}

// The program's main window is no modal box: it shows as a normal window and the call
// returns when EndDialog ends it.
void CDialog::RunUntilEnded(QDialog* dlg)
{
    m_bInModalLoop = true;
    QEventLoop loop;
    QObject::connect(dlg, &QDialog::finished, &loop, &QEventLoop::quit);
    dlg->show();
    if (!m_bEnded)
        loop.exec(QEventLoop::DialogExec);
    m_bInModalLoop = false;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bEnded = true;
    if (auto* dlg = dynamic_cast<FxDialog*>(GetWidget()))
        dlg->Finish(nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    if (!GetWidget())
        return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const ExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) { }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CDialog::OnEnterKey()
{
    auto children = ChildWidgets();
    auto isChild = [&](QWidget* w) { return std::find(children.begin(), children.end(), w) != children.end(); };
    QWidget* focus = GetWidget() ? GetWidget()->focusWidget() : nullptr;
    if (auto* button = qobject_cast<QPushButton*>(focus); button && isChild(button) && button->isEnabled()) {
        button->click();
        return;
    }
    bool anyDefault = false;
    for (QWidget* w : children) {
        auto* button = qobject_cast<QPushButton*>(w);
        if (!button || KindOf(w) != fx::ControlKind::DefPushButton)
            continue;
        anyDefault = true;
        if (button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
    // No default button at all: Enter means OK. A default button that is hidden or
    // disabled swallows the key.
    if (!anyDefault)
        SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CDialog::FocusFirstControl()
{
    for (QWidget* w : ChildWidgets()) {
        if ((StyleOf(w) & fx::CS_TABSTOP) && !w->isHidden() && w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
