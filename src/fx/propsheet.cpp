#include "fx/propsheet.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "fx/app.h"
#include "fx/internal.h"

namespace {

class FxSheetDialog : public QDialog {
public:
    FxSheetDialog(CPropertySheet* owner, QWidget* parent) : QDialog(parent), m_owner(owner) { }
    void Finish(int result) { QDialog::done(result); }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        auto mods = e->modifiers() & ~Qt::KeypadModifier;
        if (e->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
            m_owner->PressCancel();
        } else if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
                button->click();
            } else {
                m_owner->PressOK();
            }
        } else {
            QWidget::keyPressEvent(e);
            return;
        }
        e->accept();
    }
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        m_owner->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void reject() override { m_owner->PressCancel(); }
    void accept() override { m_owner->PressOK(); }
    void done(int) override { }

private:
    CPropertySheet* m_owner;
};

}  // namespace

// ---------------------------------------------------------------- CPropertyPage

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate), m_nIDCaption(nIDCaption) { }

BOOL CPropertyPage::OnSetActive()
{
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

void CPropertyPage::OnOK() { }

void CPropertyPage::OnCancel() { }

std::string CPropertyPage::GetTabCaption() const
{
    if (m_nIDCaption)
        return fx::LoadString(m_nIDCaption);
    const fx::DialogTemplate* t = fx::FindDialogTemplate(m_nIDTemplate);
    return t ? t->caption : std::string();
}

// ---------------------------------------------------------------- CPropertySheet

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(fx::LoadString(nIDCaption)), m_nStartPage(iSelectPage)
{
    m_pParent = pParentWnd;
}

CPropertySheet::CPropertySheet(const char* pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption ? pszCaption : ""), m_nStartPage(iSelectPage)
{
    m_pParent = pParentWnd;
}

CPropertySheet::~CPropertySheet()
{
    for (CPropertyPage* page : m_pages) {
        if (page->GetWidget())
            page->DestroyWindow();
        page->m_pParent = nullptr;
        page->m_pParentWnd = nullptr;
        page->m_pSheet = nullptr;
    }
    DestroyWindow();
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (!pPage || std::find(m_pages.begin(), m_pages.end(), pPage) != m_pages.end())
        return;
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
    if (m_pTabs) {
        auto* holder = new QWidget;
        m_pTabs->addTab(holder, fx::detail::Q(pPage->GetTabCaption()));
    }
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[size_t(nPage)] : nullptr;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    return GetPage(m_nActive);
}

int CPropertySheet::GetActiveIndex() const
{
    return m_pTabs ? m_nActive : int(m_nStartPage);
}

void CPropertySheet::SetTitle(const char* lpszText)
{
    m_strCaption = lpszText ? lpszText : "";
    if (QWidget* w = GetWidget())
        w->setWindowTitle(fx::detail::Q(m_strCaption));
}

bool CPropertySheet::Build()
{
    if (GetWidget() || m_pages.empty())
        return false;
    fx::EnsureApplication();
    QFont font = fx::DialogFont("MS Sans Serif", 8);
    fx::detail::BaseUnits bu = fx::detail::BaseUnitsOf(font);
    QSize pageSize(0, 0);
    for (CPropertyPage* page : m_pages) {
        const fx::DialogTemplate* t = fx::FindDialogTemplate(page->GetTemplateId());
        if (!t)
            return false;
        QFont pageFont = fx::DialogFont(t->fontFace, t->pointSize);
        fx::detail::BaseUnits pbu = fx::detail::BaseUnitsOf(pageFont);
        pageSize = pageSize.expandedTo(QSize(fx::detail::DluToPxX(pbu, t->cx), fx::detail::DluToPxY(pbu, t->cy)));
    }
    QWidget* owner = m_pParent && m_pParent->GetWidget() ? m_pParent->GetWidget()->window() : nullptr;
    if (!owner) {
        if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd && app->m_pMainWnd->GetWidget())
            owner = app->m_pMainWnd->GetWidget()->window();
    }
    auto* dlg = new FxSheetDialog(this, owner);
    dlg->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint);
    dlg->setWindowTitle(fx::detail::Q(m_strCaption));
    dlg->setFont(font);
    fx::detail::SetSystemMenuOwner(dlg, this);
    auto* layout = new QVBoxLayout(dlg);
    int margin = fx::detail::DluToPxX(bu, 4);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(fx::detail::DluToPxY(bu, 4));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* tabs = new QTabWidget(dlg);
    tabs->setUsesScrollButtons(true);
    for (CPropertyPage* page : m_pages) {
        auto* holder = new QWidget;
        holder->setFixedSize(pageSize);
        tabs->addTab(holder, fx::detail::Q(page->GetTabCaption()));
    }
    layout->addWidget(tabs);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QSize buttonSize(fx::detail::DluToPxX(bu, 50), fx::detail::DluToPxY(bu, 14));
    auto* ok = new QPushButton(QStringLiteral("OK"), dlg);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dlg);
    for (QPushButton* b : {ok, cancel}) {
        b->setFixedSize(buttonSize);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    ok->setDefault(true);
    layout->addLayout(buttons);
    Attach(dlg, 0, m_pParent);
    m_bOwnsWidget = true;
    m_pTabs = tabs;
    RegisterChild(IDOK, ok, std::make_unique<CButton>());
    RegisterChild(IDCANCEL, cancel, std::make_unique<CButton>());
    QObject::connect(ok, &QPushButton::clicked, dlg,
                     [this] { SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    QObject::connect(cancel, &QPushButton::clicked, dlg,
                     [this] { SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    int start = std::clamp(int(m_nStartPage), 0, GetPageCount() - 1);
    m_bSwitching = true;
    tabs->setCurrentIndex(start);
    m_bSwitching = false;
    if (!ActivatePage(start))
        return false;
    QObject::connect(tabs, &QTabWidget::currentChanged, dlg, [this](int index) { OnTabChanged(index); });
    return true;
}

bool CPropertySheet::ActivatePage(int nPage)
{
    CPropertyPage* page = GetPage(nPage);
    if (!page || !m_pTabs)
        return false;
    if (!page->GetWidget()) {
        // First opening: the page's window is made and initialised now, not before.
        page->m_pParentWnd = this;
        if (!page->CreateFromTemplate(m_pTabs->widget(nPage)))
            return false;
        // Tab goes from the tabs through the page (made after OK and Cancel) to OK and Cancel.
        const std::vector<QWidget*> chain = fx::detail::TabChain(*page);
        QWidget* ok = GetChildWidget(IDOK);
        QWidget* cancel = GetChildWidget(IDCANCEL);
        if (!chain.empty() && ok && cancel) {
            QWidget::setTabOrder(m_pTabs, chain.front());
            QWidget::setTabOrder(chain.back(), ok);
            QWidget::setTabOrder(ok, cancel);
        }
        page->GetWidget()->show();
        page->OnInitDialog();
    } else {
        page->UpdateData(FALSE);
    }
    m_nActive = nPage;
    page->OnSetActive();
    return true;
}

void CPropertySheet::OnTabChanged(int index)
{
    if (m_bSwitching || index == m_nActive)
        return;
    CPropertyPage* old = GetActivePage();
    if (old && !old->OnKillActive()) {
        // The page refused to let go (bad input): the user stays on it.
        m_bSwitching = true;
        m_pTabs->setCurrentIndex(m_nActive);
        m_bSwitching = false;
        return;
    }
    ActivatePage(index);
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (!m_pTabs) {
        m_nStartPage = UINT(nPage);
        return TRUE;
    }
    m_pTabs->setCurrentIndex(nPage);
    return m_nActive == nPage ? TRUE : FALSE;
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage)
{
    auto it = std::find(m_pages.begin(), m_pages.end(), pPage);
    return it == m_pages.end() ? FALSE : SetActivePage(int(it - m_pages.begin()));
}

void CPropertySheet::PressOK()
{
    if (m_bEnded)
        return;
    if (CPropertyPage* active = GetActivePage(); active && !active->OnKillActive())
        return;
    for (CPropertyPage* page : m_pages) {
        if (page->GetWidget())
            page->OnOK();
    }
    EndDialog(IDOK);
}

void CPropertySheet::PressCancel()
{
    if (m_bEnded)
        return;
    for (CPropertyPage* page : m_pages) {
        if (page->GetWidget())
            page->OnCancel();
    }
    EndDialog(IDCANCEL);
}

void CPropertySheet::EndDialog(int nResult)
{
    m_nResult = nResult;
    m_bEnded = true;
    if (auto* dlg = dynamic_cast<FxSheetDialog*>(GetWidget()))
        dlg->Finish(nResult);
}

LRESULT CPropertySheet::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        PressCancel();
        return 0;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            PressOK();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            PressCancel();
            return 0;
        }
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

INT_PTR CPropertySheet::DoModal()
{
    m_bEnded = false;
    m_nResult = -1;
    m_nActive = -1;
    if (!Build()) {
        DestroyWindow();
        return -1;
    }
    auto* dlg = static_cast<FxSheetDialog*>(GetWidget());
    if (auto handler = fx::detail::GetHooks().modal) {
        dlg->show();
        handler(*this);
    } else if (fx::detail::NoDisplay()) {
        fx::detail::WarnNoHandler("property sheet", m_strCaption);
        PressCancel();
    } else {
        dlg->setWindowModality(Qt::ApplicationModal);
        dlg->QDialog::exec();
    }
    int result = m_bEnded ? m_nResult : -1;
    for (CPropertyPage* page : m_pages) {
        if (page->GetWidget())
            page->DestroyWindow();
        page->m_pParent = nullptr;
        page->m_pParentWnd = nullptr;
    }
    DestroyWindow();
    m_pTabs = nullptr;
    m_nActive = -1;
    return result;
}
