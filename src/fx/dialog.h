// CDialog and dialog data exchange.
#pragma once

#include <string>

#include "fx/controls.h"
#include "fx/resources.h"
#include "fx/wnd.h"

class QDialog;
class CDialog;

// Passed to DoDataExchange. m_bSaveAndValidate: TRUE = controls to members.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) { }
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;

    // The control's widget, remembered as the one to focus on failure; nullptr if absent.
    QWidget* PrepareCtrl(int nIDC);
    // Ends the exchange: UpdateData returns FALSE and focuses the last control.
    [[noreturn]] void Fail();
};

// Binds member control `rControl` to dialog item nIDC.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// Integer text; a value that is no integer (or out of range) shows a message and fails.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Index of the ticked button in the radio group starting at nIDC; -1 when none.
// Setting -1 or an index past the group unticks every button.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window, initialises it and runs it modally. Returns the value passed
    // to EndDialog, or -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    // Creates the window without a modal loop (tests, property pages). FALSE on failure.
    BOOL Create(UINT nIDTemplate = 0, CWnd* pParentWnd = nullptr);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);
    // TRUE: controls to members; FALSE: members to controls. FALSE when validation fails.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    UINT GetTemplateId() const { return m_nIDTemplate; }
    bool IsModalEnded() const { return m_bEnded; }
    int GetModalResult() const { return m_nModalResult; }
    QWidget* GetClientWidget() const override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Framework side: builds the widgets from the template. `parentWidget` makes a
    // child (property page) instead of a top-level window.
    bool CreateFromTemplate(QWidget* parentWidget);
    // Handles Enter: clicks the focused or default push button, else sends IDOK.
    void OnEnterKey();
    // Runs after OnInitDialog in DoModal/Create: focus to the first tab stop.
    void FocusFirstControl();

protected:
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;
    DECLARE_MESSAGE_MAP()

private:
    bool IsAppWindow() const;
    void RunUntilEnded(QDialog* dlg);
    QPointer<QWidget> m_pClient;
    bool m_bEnded = false;
    bool m_bInModalLoop = false;
    int m_nModalResult = -1;
};
