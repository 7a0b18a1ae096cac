// Property sheet with tabbed pages. A page's window is made the first time its tab
// is opened; a page never opened exchanges no data, so its members keep their values.
#pragma once

#include <vector>

#include "fx/dialog.h"

class QTabWidget;
class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

    // Tab activation: OnSetActive when the page is shown; OnKillActive when the user
    // leaves it or presses OK (default: UpdateData(TRUE); FALSE keeps the page open).
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    // OK / Cancel of the sheet, for every page that was created.
    void OnOK() override;
    void OnCancel() override;

    CPropertySheet* GetSheet() const { return m_pSheet; }
    // Tab text: the caption id given to the constructor, else the template's caption.
    std::string GetTabCaption() const;
    bool IsCreated() const { return GetWidget() != nullptr; }

private:
    friend class CPropertySheet;
    CPropertySheet* m_pSheet = nullptr;
    UINT m_nIDCaption = 0;
};

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(const char* pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* pPage);
    // IDOK or IDCANCEL; -1 when the sheet cannot be created.
    virtual INT_PTR DoModal();

    int GetPageCount() const { return int(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    // Opens a page as the user clicking its tab would (the old page is validated first).
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    void SetTitle(const char* lpszText);

    // The sheet's buttons: OK validates the active page, then ends with IDOK after
    // OnOK of every created page; Cancel calls OnCancel of each and ends with IDCANCEL.
    void PressOK();
    void PressCancel();
    void EndDialog(int nResult);
    bool IsModalEnded() const { return m_bEnded; }
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Build();
    bool ActivatePage(int nPage);
    void OnTabChanged(int index);
    std::string m_strCaption;
    std::vector<CPropertyPage*> m_pages;
    UINT m_nStartPage = 0;
    int m_nActive = -1;
    bool m_bEnded = false;
    bool m_bSwitching = false;
    int m_nResult = -1;
    QPointer<QTabWidget> m_pTabs;
};
